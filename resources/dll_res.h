#pragma once
#include <memory>
#include <string>

#include "platform/bitmap.h"
#include "platform/dynamic_library.h"
#include "platform/image_list.h"
#include "resources/memory_stream.h"

// Loader of the resource library: named bitmaps and named typed resources.
class TyxDllRes {
public:
    // Raises "必要なDLLファイル " + name + " が見つかりません" when the file is missing and, with
    // keepLoaded, "DLLファイル " + name + " がロードできません" when it does not load.
    TyxDllRes(const std::string& fileName, bool keepLoaded);
    ~TyxDllRes();

    bool LoadBitmap(platform::Bitmap& bitmap, const std::string& name);
    bool AddMasked(platform::ImageList& list, const std::string& name, uint32_t transparentColour);
    bool LoadResourceStream(TMemoryStream& stream, const std::string& name, const std::string& type);
    const std::string& FileName() const { return m_FileName; }

private:
    bool Acquire();
    void ReleaseIfTransient();

    std::string m_FileName;
    bool m_KeepLoaded;
    std::unique_ptr<platform::DynamicLibrary> m_Library;
};
