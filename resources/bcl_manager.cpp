#include "resources/bcl_manager.h"

#include <cstdio>

#include "platform/file_system.h"
#include "platform/sjis.h"
#include "resources/bcl.h"
#include "resources/bcx.h"
#include "resources/dir_list.h"
#include "resources/picture_decoder.h"
#include "resources/witch.h"
#include "resources/yxstringlib.h"

TyxBCLManager::TyxBCLManager(TyxWitch* witch, TyxPictureDecoder* decoder)
    : m_Witch(witch),
      m_HostDecoder(decoder ? nullptr : std::make_unique<TyxPictureDecoder>()),
      m_Decoder(decoder ? decoder : m_HostDecoder.get()) {}

TyxBCLManager::~TyxBCLManager() {
    Clear();
}

void TyxBCLManager::Clear() {
    m_Bcxs.clear();
    m_Bcls.clear();
}

void TyxBCLManager::NoteError(const TyxArchive& archive) {
    if (archive.LastError().empty()) return;
    m_OpenErrors.push_back(archive.IndexFileName() + ": " + archive.LastError());
    // Said at once too: the records reach the information window only once the engine runs.
    std::fprintf(stderr, "velmor: archive refused, nothing in it is read: %s\n",
                 platform::SjisToUtf8(m_OpenErrors.back()).c_str());
}

void TyxBCLManager::OpenBcx(const std::string& fileName) {
    // Compared with the index name: the data file's name would let the same archive in twice.
    for (const auto& open : m_Bcxs)
        if (yx::SameText(open->IndexFileName(), fileName)) return;
    auto archive = std::make_unique<TyxBCX>(m_Witch);
    archive->Open(fileName);
    NoteError(*archive);
    m_Bcxs.insert(m_Bcxs.begin(), std::move(archive));
}

void TyxBCLManager::OpenBcl(const std::string& fileName) {
    for (const auto& open : m_Bcls)
        if (yx::SameText(open->IndexFileName(), fileName)) return;
    auto archive = std::make_unique<TyxBCL>(m_Witch);
    archive->Open(fileName);
    NoteError(*archive);
    m_Bcls.insert(m_Bcls.begin(), std::move(archive));
}

bool TyxBCLManager::AddArchive(const std::string& fileName) {
    if (!platform::FileSystem::FileExists(fileName)) return false;
    const std::string ext = yx::ExtractFileExt(fileName);
    if (yx::SameTextAscii(ext, ".bcx"))
        OpenBcx(fileName);
    else if (yx::SameTextAscii(ext, ".bcl"))
        OpenBcl(fileName);
    return true;
}

bool TyxBCLManager::AddFolder(const std::string& folder, int depth) {
    if (!platform::FileSystem::DirectoryExists(folder)) return false;
    TDirList dirs(folder, depth);
    TStringList found;
    dirs.FindFiles(found, ".bcx");
    for (const auto& name : found) OpenBcx(name);
    found.clear();
    dirs.FindFiles(found, ".bcl");
    for (const auto& name : found) OpenBcl(name);
    return true;
}

std::string TyxBCLManager::ScrambledSpelling(const std::string& name) const {
    if (!m_Witch || name.empty() || m_Witch->IsScrambled(name) || Find(name)) return {};
    const std::string scrambled = name + m_Witch->Extension();
    return Find(scrambled) ? scrambled : std::string();
}

const TyxArchive* TyxBCLManager::Find(const std::string& name) const {
    // Each kind's key is made once for all its archives.
    if (!m_Bcxs.empty()) {
        const std::string key = yx::UpperCaseAscii(name);
        for (const auto& archive : m_Bcxs)
            if (archive->ContainsKey(key)) return archive.get();
    }
    if (!m_Bcls.empty()) {
        const std::string key = TyxBCL::NameKey(name);
        const uint64_t hash = TyxBCL::HashKey(key);
        for (const auto& archive : m_Bcls)
            if (archive->ContainsKey(key, hash)) return archive.get();
    }
    return nullptr;
}

bool TyxBCLManager::LoadStrings(TStringList& list, const std::string& name) const {
    const TyxArchive* archive = Find(name);
    return archive != nullptr && archive->LoadStrings(list, name);
}

bool TyxBCLManager::LoadBitmap(platform::Bitmap& bitmap, const std::string& name) const {
    const TyxArchive* archive = Find(name);
    return archive != nullptr && archive->LoadBitmap(*m_Decoder, bitmap, name);
}

bool TyxBCLManager::LoadMaskedImage(TyxPictureDecoder* decoder, platform::Bitmap& bitmap,
                                    platform::Bitmap& maskBitmap, const std::string& name) const {
    const TyxArchive* archive = Find(name);
    return archive != nullptr &&
           archive->LoadMaskedImage(decoder ? *decoder : *m_Decoder, bitmap, maskBitmap, name);
}

bool TyxBCLManager::LoadPng(platform::Bitmap& bitmap, platform::Bitmap* alphaBitmap,
                            const std::string& name, bool& hasAlpha) const {
    const TyxArchive* archive = Find(name);
    return archive != nullptr && archive->LoadPng(*m_Decoder, bitmap, alphaBitmap, name, hasAlpha);
}

bool TyxBCLManager::LoadStream(TMemoryStream& stream, const std::string& name) const {
    const TyxArchive* archive = Find(name);
    return archive != nullptr && archive->LoadStream(stream, name);
}

bool TyxBCLManager::LoadIconFile(TMemoryStream& stream, const std::string& name) const {
    auto tryArchive = [&](const TyxArchive& archive) {
        if (!archive.Contains(name)) return false;
        TMemoryStream fresh;
        if (!archive.LoadStream(fresh, name)) return false;
        stream = std::move(fresh);
        return true;
    };
    for (const auto& archive : m_Bcxs)
        if (tryArchive(*archive)) return true;
    for (const auto& archive : m_Bcls)
        if (tryArchive(*archive)) return true;
    return false;
}

bool TyxBCLManager::LoadIcon(platform::Bitmap& icon, const std::string& name) const {
    TMemoryStream stream;
    if (!LoadIconFile(stream, name)) return false;
    return m_Decoder->DecodeIcon(stream.Data(), stream.Size(), icon);
}
