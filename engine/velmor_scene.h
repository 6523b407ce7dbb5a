#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/display_surface.h"
#include "graphics/sprite.h"
#include "resources/string_list.h"

struct TVelmorSystemData;
class TyxDllRes;
class TyxWitch;
class TyxBCLManager;

// The picture layers and where they stand: screen, background, face, up to eight small faces
// and the message window, the text geometry derived from the window, and how the screen
// reaches the display.
class TVelmorScene {
public:
    struct TServices {
        uint8_t pixelFormat;
        TyxWitch* witch;
        TyxDllRes* dllRes;
        TyxBCLManager* manager;
    };
    TVelmorScene(const TVelmorSystemData& data, const std::string& fontName, TServices services,
                 TDisplaySurface* display);

    TSprite& Screen() { return *m_Screen; }
    TSprite& Background() { return *m_Background; }
    TSprite& Face() { return *m_Face; }
    TSprite& MessageWindow() { return *m_MessageWindow; }
    const TSprite& Screen() const { return *m_Screen; }
    const TSprite& Background() const { return *m_Background; }
    const TSprite& Face() const { return *m_Face; }
    const TSprite& MessageWindow() const { return *m_MessageWindow; }
    int MiniFaceCount() const { return static_cast<int>(m_MiniFaces.size()); }
    TSprite& MiniFace(int i) { return *m_MiniFaces.at(static_cast<size_t>(i)); }
    const TSprite& MiniFace(int i) const { return *m_MiniFaces.at(static_cast<size_t>(i)); }
    void HideFaces();

    // The small faces take turns in their slots: the slot in use and the key of each.
    int32_t MiniFaceSlot() const { return m_MiniFaceSlot; }
    // The rotation indexes the slots, so a slot the project does not have becomes the first.
    void SetMiniFaceSlot(int32_t slot) {
        m_MiniFaceSlot = slot >= 0 && slot < MiniFaceCount() ? slot : 0;
    }
    const std::string& MiniFaceKey(int i) const { return m_MiniFaceKeys[i & 7]; }
    void SetMiniFaceKey(int i, const std::string& key) { m_MiniFaceKeys[i & 7] = key; }

    // Text geometry derived from the message window.
    const TRect& TextArea() const { return m_TextArea; }
    const TRect& ShadowRect(int i) const { return m_ShadowRects[i & 7]; }
    const TRect* ShadowRects() const { return m_ShadowRects; }
    // The four choice rows inside the text area.
    const TRect* ChoiceRowAreas() const { return m_ChoiceRows; }
    int FontHeight() const { return m_FontHeight; }
    int LinePitch() const;
    bool ShadowDraw() const { return m_ShadowDraw; }

    // The next presentation cross-fades (over 1000 ms with crossfade, else 200 ms).
    void SetRedraw(bool redraw, bool crossfade = false) {
        m_Redraw = redraw;
        m_Crossfade = crossfade;
    }
    bool Redraw() const { return m_Redraw; }
    bool Crossfade() const { return m_Crossfade; }
    // Shows the screen layer: at once when nothing asks for a cross-fade or skip is on, else
    // as the cross-fade, which clears redraw and crossfade. True when it cross-faded.
    bool Present(bool skip);
    // Shows only area of the screen layer when nothing else changed since it was last shown
    // whole; otherwise as Present(false).
    bool PresentArea(const TRect& area);
    // The screen layer was drawn anew: the next presentation shows all of it.
    void Composed() { m_WholeShown = false; }
    // Duration of the last cross-fade (200 or 1000 ms), 0 before any.
    uint32_t LastCrossFadeMs() const { return m_LastCrossFadeMs; }
    TDisplaySurface* Display() const { return m_Display; }
    void SetDisplay(TDisplaySurface* display) { m_Display = display; }
    TyxDllRes* DllRes() const { return m_Services.dllRes; }

private:
    std::unique_ptr<TSprite> NewLayer();
    void Build(const TVelmorSystemData& data, const std::string& fontName);
    void DeriveGeometry(const TVelmorSystemData& data);
    void RunCrossFade(uint32_t durationMs);

    TServices m_Services;
    TDisplaySurface* m_Display;
    int m_LineBetween = 0;
    std::unique_ptr<TSprite> m_Screen, m_Background, m_Face, m_MessageWindow;
    std::vector<std::unique_ptr<TSprite>> m_MiniFaces;
    int32_t m_MiniFaceSlot = 0;
    std::string m_MiniFaceKeys[8];
    TRect m_TextArea;
    TRect m_ShadowRects[8];
    TRect m_ChoiceRows[4];
    int m_FontHeight = 0;
    bool m_ShadowDraw = true;
    bool m_Redraw = false;
    bool m_Crossfade = false;
    bool m_WholeShown = false;
    uint32_t m_LastCrossFadeMs = 0;
};
