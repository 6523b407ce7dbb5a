#include "modes/cg_mode.h"

#include "graphics/sprite.h"
#include "resources/application.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

TCGMode::TCGMode(const std::string& fileName, const TStringList& seenList, TSprite& screen,
                 const TServices& services)
    : TGalleryPage(seenList, screen, services) {
    TStringList lines;
    if (!TGalleryDescription::LoadLines(fileName, services.resourceManager, lines))
        TyxApplication::RaiseEngineError(
            SJ("CGMode設定ファイル ") + yx::ExtractFileName(fileName) + SJ(" が見つかりません"));
    m_Description.Read(lines, "CGMode", "ImageList", 2);
    m_Images.reserve(m_Description.entries.size());
    m_Thumbnails.reserve(m_Description.entries.size());
    for (TStringList& items : m_Description.entries) {
        m_Images.push_back(std::move(items[0]));
        m_Thumbnails.push_back(items.size() > 1 ? std::move(items[1]) : std::string());
    }
    m_Description.entries.clear();
}

TCGMode::~TCGMode() {
    Leave();
}

void TCGMode::CellPictures(size_t entry, std::string& ownSize, std::string& scaled) const {
    ownSize = m_Thumbnails[entry];
    scaled = m_Images[entry];
}

void TCGMode::Open(size_t entry) {
    TSprite picture(m_Screen.PixelFormatCode(), true, m_Services.witch, m_Services.resourceLibrary,
                    m_Services.resourceManager);
    if (!picture.Load(m_Images[entry])) return;
    // Drawn onto the screen rather than loaded as it: the screen keeps its size and kind,
    // which the rest of the game relies on.
    m_Screen.Fill(0);
    picture.SetAnchor(-1, -1, 0, 0);
    picture.DrawTo(m_Screen);
    m_Viewing = 1;
    Present();
}
