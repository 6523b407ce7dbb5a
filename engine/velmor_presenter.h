#pragma once
#include <cstdint>
#include <string>

#include "engine/velmor_frame_schedule.h"
#include "platform/virtual_clock.h"

class TVelmor;
class TVelmorChoices;
struct TVelmorFlow;
class TVelmorMessage;
class TVelmorScene;
class TSprite;
struct TVelmorSystemData;
struct TVelmorSystemState;
namespace platform {
class Bitmap;
class Clock;
}  // namespace platform

// What the player sees: the layers composed into the screen layer with the message and the
// choices, the screen presented to the display, the frames held back while nobody can see
// them, and the effects and cross-fades that run over the screen.
class TVelmorPresenter {
public:
    explicit TVelmorPresenter(TVelmor& engine);
    TVelmorPresenter(const TVelmorPresenter&) = delete;
    TVelmorPresenter& operator=(const TVelmorPresenter&) = delete;

    // Layers onto the screen layer (in a mode that shows the message, this (re)starts the
    // reveal, or draws the whole message when animation is off).
    enum class TReveal { Restart, Keep };
    void ComposeFrame(TReveal reveal = TReveal::Restart);
    // The screen layer to the display, cross-fading when a change asked for it.
    void PresentFrame();

    // Message frames nobody can see are not composed, and with frames on demand (a host that
    // looks only when it says so) neither are those the window shows until their pixels are
    // needed; the schedule says which. FlushFrame composes and presents the one held back;
    // anything that reads or draws on the screen layer or the display calls it first.
    void SetFramesOnDemand(bool onDemand) {
        m_Schedule.SetViewer(onDemand ? TVelmorFrameSchedule::TViewer::OnRequest
                                      : TVelmorFrameSchedule::TViewer::Player);
    }
    bool FramesOnDemand() const {
        return m_Schedule.Viewer() == TVelmorFrameSchedule::TViewer::OnRequest;
    }
    void FlushFrame();
    static constexpr uint32_t kSkipFrameMs = TVelmorFrameSchedule::kSkipFrameMs;
    // A new message: shown now, or held back (true).
    bool HoldMessageFrame();
    // Whether the held frame's message is being revealed unseen.
    bool RevealHeld() const { return m_RevealHeld; }
    // A held frame whose refresh has come while skipping.
    void FlushDueFrame();
    // The game rests (for an input or a deadline): the window shows the held frame.
    void FrameAtRest();
    // A line that may change the scene runs next: a frame the window shows is drawn from the
    // scene it was made of.
    void BeforeSceneChange();
    // What the window shows now (a host's look at it); false without a display that can tell.
    bool ShownFrame(platform::Bitmap& out);

    // The effect dispatcher: runs effect number on the layer it belongs to; 0 does nothing.
    void RunEffect(int number);
    // Dissolves from what the screen layer holds to the background layer.
    void CrossFadeToBackground(int durationMs);
    // Sands out to a mode's page: the story's layers go, the background stays for its return.
    void FadeToMode();
    // The player's message font (the options dialog).
    void SetMessageFont(const std::string& name);

private:
    // The window shows the held frame now: drawn, or only what showing it starts.
    void ShowHeldFrame();
    // Whether composing the frame starts the message's reveal.
    bool ComposeStartsReveal() const;
    uint32_t Now() const;
    // An effect that ended at once, unseen: the window shows where it ended.
    void ShowEndState(TSprite& layer);

    TVelmor& m_Engine;
    TVelmorScene& m_Scene;
    TVelmorMessage& m_Message;
    TVelmorChoices& m_Choices;
    TVelmorFlow& m_Flow;
    const TVelmorSystemData& m_Data;
    TVelmorSystemState& m_State;
    platform::Clock& m_Clock;
    TVelmorFrameSchedule m_Schedule;
    // Effects that must end at once run on this time, which only their own waits move on.
    platform::VirtualClock m_InstantTime;
    bool m_FramePending = false;
    bool m_FrameShown = false;  // the held frame is on the window, only not drawn
    bool m_RevealHeld = false;  // the held frame's message is being revealed unseen
};
