#pragma once
// The picture gallery: the event pictures of the game in a paged grid, those seen in the story
// as thumbnails that open full screen, the others as a placeholder.
#include <string>

#include "modes/gallery_page.h"

class TCGMode : public TGalleryPage {
public:
    // Reads the description file; raises "CGMode設定ファイル <name> が見つかりません" when
    // neither the disk nor the resource manager has it. seenList is the engine's list of
    // pictures seen, read on every Enter.
    TCGMode(const std::string& fileName, const TStringList& seenList, TSprite& screen,
            const TServices& services);
    ~TCGMode() override;

    size_t EntryCount() const override { return m_Images.size(); }
    const TStringList& Images() const { return m_Images; }
    const TStringList& Thumbnails() const { return m_Thumbnails; }
    bool Viewing() const { return m_Viewing == 1; }

protected:
    const std::string& SeenName(size_t entry) const override { return m_Images[entry]; }
    // A blank line names no picture: its cell always shows the placeholder.
    bool CanBeSeen(size_t entry) const override { return !m_Images[entry].empty(); }
    void CellPictures(size_t entry, std::string& ownSize, std::string& scaled) const override;
    void Open(size_t entry) override;

private:
    TStringList m_Images;
    TStringList m_Thumbnails;
};
