#include "graphics/image_list.h"

#include "resources/application.h"
#include "resources/dll_res.h"

TyxImageList::TyxImageList(TyxDllRes* resourceLibrary) : m_ResourceLibrary(resourceLibrary) {}

TyxImageList::~TyxImageList() {
    Clear();
}

int TyxImageList::Add(const std::string& name) {
    TEntry entry;
    entry.bitmap = std::make_unique<platform::Bitmap>();
    if (!m_ResourceLibrary || !m_ResourceLibrary->LoadBitmap(*entry.bitmap, name)) {
        // The program carries no bitmaps of its own: everything lives in the resource library.
        TyxApplication::RaiseEngineError("Resource " + name + " not found");
    }
    m_Entries.push_back(std::move(entry));
    return Count() - 1;
}

void TyxImageList::GetBitmap(int index, platform::Bitmap& destination) const {
    if (index < 0 || index >= Count()) return;
    destination = *m_Entries[static_cast<size_t>(index)].bitmap;
}

void TyxImageList::Clear() {
    while (!m_Entries.empty()) m_Entries.pop_back();
}
