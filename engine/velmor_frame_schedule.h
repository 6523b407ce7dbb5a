#pragma once
#include <cstdint>

// When a message frame reaches the window: the one decision the game window and the headless
// runner share. The window shows a frame as it is made, except while skipping, where it
// shows one frame a display refresh and holds the others back until their refresh. Who looks
// changes only when the pixels are drawn: a player sees the window, so a frame it shows is
// drawn at once; the runner looks only when it takes a shot, so a frame the window shows is
// drawn when its pixels are needed (a shot, an effect, a change of the scene), and what
// showing it starts (a message's reveal) starts at the moment the window shows it.
class TVelmorFrameSchedule {
public:
    enum class TViewer { Player, OnRequest };
    // A new frame: drawn now; shown by the window now but drawn when needed; or held back
    // until the window's next refresh.
    enum class TFate { Drawn, Shown, Held };
    // One display refresh, for frames made while skipping.
    static constexpr uint32_t kSkipFrameMs = 16;

    void SetViewer(TViewer viewer) { m_Viewer = viewer; }
    TViewer Viewer() const { return m_Viewer; }

    // A cross-fade is always drawn, as it takes its time whoever looks; a reveal the player
    // watches is shown piece by piece.
    TFate NewFrame(bool crossFade, bool skip, bool revealWatched, uint32_t now) const {
        if (crossFade) return TFate::Drawn;
        if (!revealWatched && skip && now - m_LastPresent < kSkipFrameMs) return TFate::Held;
        return ShownFate();
    }
    // A held frame while the game goes on: true when the window shows it now.
    bool Due(bool skip, uint32_t now) const { return !skip || now - m_LastPresent >= kSkipFrameMs; }
    // What becomes of a held frame when the window shows it (its refresh came, or the game
    // rests for an input or a deadline).
    TFate ShownFate() const { return m_Viewer == TViewer::Player ? TFate::Drawn : TFate::Shown; }
    void Presented(uint32_t now) { m_LastPresent = now; }

private:
    TViewer m_Viewer = TViewer::Player;
    uint32_t m_LastPresent = 0;
};
