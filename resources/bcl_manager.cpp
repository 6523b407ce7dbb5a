#include "resources/bcl_manager.h"

#include "platform/file_system.h"
#include "resources/dir_list.h"
#include "resources/yxstringlib.h"

void TyxBCLManager::Open(const std::string& fileName) {
    std::string ext = yx::ExtractFileExt(fileName);
    TStringList* list = nullptr;
    if (yx::SameTextAscii(ext, ".bcx")) list = &m_Bcxs;
    else if (yx::SameTextAscii(ext, ".bcl")) list = &m_Bcls;
    if (!list || yx::IndexOfText(*list, fileName, true) >= 0) return;
    list->insert(list->begin(), fileName);
}

bool TyxBCLManager::AddArchive(const std::string& fileName) {
    if (!platform::FileSystem::FileExists(fileName)) return false;
    Open(fileName);
    return true;
}

bool TyxBCLManager::AddFolder(const std::string& folder, int depth) {
    if (!platform::FileSystem::DirectoryExists(folder)) return false;
    TDirList dirs(folder, depth);
    for (const char* pattern : {".bcx", ".bcl"}) {
        TStringList found;
        dirs.FindFiles(found, pattern);
        for (const auto& name : found) Open(name);
    }
    return true;
}

void TyxBCLManager::Clear() {
    m_Bcxs.clear();
    m_Bcls.clear();
}

bool TyxBCLManager::LoadStrings(TStringList&, const std::string&) { return false; }
bool TyxBCLManager::LoadBitmap(platform::Bitmap&, const std::string&) { return false; }
bool TyxBCLManager::LoadStream(TMemoryStream&, const std::string&) { return false; }
bool TyxBCLManager::LoadIconFile(TMemoryStream&, const std::string&) { return false; }
