#include "modes/event_mode.h"

#include <new>

#include "resources/application.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"

TEventMode::TEventMode(const std::string& fileName, const TStringList& seenList, TSprite& screen,
                       const TServices& services)
    : TGalleryPage(seenList, screen, services) {
    TStringList lines;
    if (!TGalleryDescription::LoadLines(fileName, services.resourceManager, lines))
        TyxApplication::RaiseEngineError(
            SJ("EventMode設定ファイル ") + yx::ExtractFileName(fileName) + SJ(" が見つかりません"));
    try {
        m_Description.Read(lines, "EventMode", "EventList", 3);
        for (TStringList& items : m_Description.entries) {
            if (items.size() < 2) continue;
            m_Scenes.push_back(std::move(items[0]));
            m_Paragraphs.push_back(std::move(items[1]));
            m_Scripts.push_back(items.size() > 2 ? std::move(items[2]) : std::string());
        }
        m_Description.entries.clear();
    } catch (const std::bad_alloc&) {
        TyxApplication::RaiseEngineError(SJ("メモリが足りません : TEventMode"));
    }
}

TEventMode::~TEventMode() {
    Leave();
}

void TEventMode::CellPictures(size_t entry, std::string& ownSize, std::string& scaled) const {
    ownSize = m_Scenes[entry];
    scaled = m_Paragraphs[entry];
}

void TEventMode::Open(size_t entry) {
    if (!OnStart) return;
    // Copies: the handler jumps and may run anything, including leaving the mode.
    auto handler = OnStart;
    const std::string paragraph = m_Paragraphs[entry], script = m_Scripts[entry];
    handler(paragraph, script);
}
