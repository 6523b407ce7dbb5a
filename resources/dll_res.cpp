#include "resources/dll_res.h"

#include "platform/file_system.h"
#include "resources/application.h"
#include "resources/sjis_text.h"

TyxDllRes::TyxDllRes(const std::string& fileName, bool keepLoaded)
    : m_FileName(fileName),
      m_KeepLoaded(keepLoaded),
      m_Library(std::make_unique<platform::DynamicLibrary>()) {
    if (!platform::FileSystem::FileExists(m_FileName)) {
        TyxApplication::RaiseEngineError(SJ("必要なDLLファイル ") + m_FileName +
                                         SJ(" が見つかりません"));
    }
    if (m_KeepLoaded && !Acquire()) {
        TyxApplication::RaiseEngineError(SJ("DLLファイル ") + m_FileName +
                                         SJ(" がロードできません"));
    }
}

TyxDllRes::~TyxDllRes() {
    m_Library->Free();
}

bool TyxDllRes::Acquire() {
    if (m_Library->IsLoaded()) return true;
    return m_Library->Load(platform::FileSystem::ToHostPath(m_FileName));
}

void TyxDllRes::ReleaseIfTransient() {
    if (!m_KeepLoaded) m_Library->Free();
}

bool TyxDllRes::LoadBitmap(platform::Bitmap& bitmap, const std::string& name) {
    if (!Acquire()) return false;
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool ok = false;
    if (m_Library->FindResource(name, "BITMAP", data, size)) {
        // Decode into a scratch bitmap so a bad resource leaves the caller's picture as it was.
        platform::Bitmap loaded;
        if (loaded.LoadFromBmp(data, size)) {
            bitmap = loaded;
            ok = true;
        }
    }
    ReleaseIfTransient();
    return ok;
}

bool TyxDllRes::AddMasked(platform::ImageList& list, const std::string& name,
                          uint32_t transparentColour) {
    platform::ImageList::Entry entry;
    if (!LoadBitmap(entry.picture, name)) return false;
    const int width = entry.picture.Width();
    const int height = entry.picture.Height();
    entry.mask.SetSize(width, height);
    const uint32_t key = transparentColour & 0xFFFFFF;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (entry.picture.Pixel(x, y) == key) {
                entry.mask.SetPixel(x, y, 0xFFFFFF);
                // Transparent pixels turn black so mask AND then picture OR draws cleanly.
                entry.picture.SetPixel(x, y, 0);
            }
        }
    }
    list.Add(std::move(entry));
    return true;
}

bool TyxDllRes::LoadResourceStream(TMemoryStream& stream, const std::string& name,
                                   const std::string& type) {
    if (!Acquire()) return false;
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool ok = false;
    if (m_Library->FindResource(name, type, data, size) && size > 0) {
        stream.Write(data, size);
        stream.SetPosition(0);
        ok = true;
    }
    ReleaseIfTransient();
    return ok;
}
