#pragma once
// The scene replay list: the twin of the picture gallery whose reached cells start a scene of
// the story instead of opening a picture.
#include <functional>
#include <string>

#include "modes/gallery_page.h"

class TEventMode : public TGalleryPage {
public:
    // Reads the description file; raises "EventMode設定ファイル <name> が見つかりません" when
    // it is missing and "メモリが足りません : TEventMode" when its lists cannot be made.
    // seenList is the engine's list of scenes reached, read on every Enter.
    TEventMode(const std::string& fileName, const TStringList& seenList, TSprite& screen,
               const TServices& services);
    ~TEventMode() override;

    // A reached scene was clicked: its paragraph and script (empty for the present one).
    std::function<void(const std::string& paragraph, const std::string& script)> OnStart;

    size_t EntryCount() const override { return m_Paragraphs.size(); }
    const TStringList& Scenes() const { return m_Scenes; }
    const TStringList& Paragraphs() const { return m_Paragraphs; }
    const TStringList& Scripts() const { return m_Scripts; }

protected:
    const std::string& SeenName(size_t entry) const override { return m_Scenes[entry]; }
    void CellPictures(size_t entry, std::string& ownSize, std::string& scaled) const override;
    void Open(size_t entry) override;

private:
    TStringList m_Scenes;
    TStringList m_Paragraphs;
    TStringList m_Scripts;
};
