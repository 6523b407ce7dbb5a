#pragma once
// Named button pictures of the dialogs, by index.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"

class TyxDllRes;

class TyxImageList {
public:
    explicit TyxImageList(TyxDllRes* resourceLibrary);
    ~TyxImageList();
    TyxImageList(const TyxImageList&) = delete;
    TyxImageList& operator=(const TyxImageList&) = delete;

    // Loads the bitmap from the resource library, else from the program's own resources,
    // which hold none: a missing picture raises "Resource <name> not found".
    int Add(const std::string& name);
    // An index out of range leaves the destination unchanged.
    void GetBitmap(int index, platform::Bitmap& destination) const;
    void Clear();
    int Count() const { return static_cast<int>(m_Entries.size()); }

private:
    struct TEntry {
        uint8_t flag = 0;
        std::unique_ptr<platform::Bitmap> bitmap;
    };
    TyxDllRes* m_ResourceLibrary;
    std::vector<TEntry> m_Entries;
};
