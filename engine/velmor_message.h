#pragma once
#include <cstdint>
#include <string>

#include "graphics/paint_memo.h"
#include "graphics/sprite.h"
#include "resources/string_list.h"

class TVelmorScene;
struct TVelmorSystemData;
struct TVelmorSystemState;

// The message in the window: its text, drawn whole or revealed piece by piece onto the screen
// layer with its shadow ring.
class TVelmorMessage {
public:
    TVelmorMessage(TVelmorScene& scene, const TVelmorSystemData& data,
                   const TVelmorSystemState& state)
        : m_Scene(scene), m_Data(data), m_State(state) {}

    const std::string& Text() const { return m_Text; }
    void SetText(const std::string& text) { m_Text = text; }
    bool Animating() const { return m_Animating; }
    void StopAnimating() { m_Animating = false; }
    // The byte the reveal draws next, from 1.
    int32_t Revealed() const { return m_Revealed; }

    void Draw();
    void StartReveal();
    enum class TStep {
        Over,     // nothing was left to draw: the reveal has ended
        Drawn,    // the next piece is on the screen layer
        Blocked,  // the piece could not be drawn; the reveal is over
    };
    TStep DrawNextPiece(TRect* drawn = nullptr);
    // The next piece counted as revealed but not drawn (the frame is held back).
    TStep SkipNextPiece();
    // The pieces revealed so far, drawn again from the first onto a freshly composed screen.
    void DrawRevealed();

private:
    TVelmorScene& m_Scene;
    const TVelmorSystemData& m_Data;
    const TVelmorSystemState& m_State;
    std::string m_Text;
    bool m_Animating = false;
    int32_t m_Total = 0;
    int32_t m_Revealed = 1;
    TPoint m_TextPen;
    TPoint m_ShadowPens[8];
    TPaintMemo m_Memo;
};
