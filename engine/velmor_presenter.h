#pragma once
#include <cstdint>
#include <string>

class TVelmor;
class TVelmorChoices;
struct TVelmorFlow;
class TVelmorMessage;
class TVelmorScene;
struct TVelmorSystemData;
struct TVelmorSystemState;
namespace platform {
class Clock;
}

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

    // Message frames nobody can see are not composed: while skipping, those between the
    // display's frames; with frames on demand (a host that looks only when it says so), all
    // of a message flow without reveal. FlushFrame composes and presents the one held back;
    // anything that reads the screen layer or the display calls it first.
    void SetFramesOnDemand(bool onDemand) { m_FramesOnDemand = onDemand; }
    bool FramesOnDemand() const { return m_FramesOnDemand; }
    void FlushFrame();
    static constexpr uint32_t kSkipFrameMs = 16;
    // A new message: shown now, or held back when nobody would see it (true).
    bool HoldMessageFrame();
    // Whether the held frame's message is being revealed unseen.
    bool RevealHeld() const { return m_RevealHeld; }
    // A held frame whose time has come while skipping (not with frames on demand).
    void FlushDueFrame();

    // The effect dispatcher: runs effect number on the layer it belongs to; 0 does nothing.
    void RunEffect(int number);
    // Dissolves from what the screen layer holds to the background layer.
    void CrossFadeToBackground(int durationMs);
    // Sands out to a mode's page: the story's layers go, the background stays for its return.
    void FadeToMode();
    // The player's message font (the options dialog).
    void SetMessageFont(const std::string& name);

private:
    bool DeferFrame() const;
    uint32_t Now() const;

    TVelmor& m_Engine;
    TVelmorScene& m_Scene;
    TVelmorMessage& m_Message;
    TVelmorChoices& m_Choices;
    TVelmorFlow& m_Flow;
    const TVelmorSystemData& m_Data;
    TVelmorSystemState& m_State;
    platform::Clock& m_Clock;
    bool m_FramesOnDemand = false;
    bool m_FramePending = false;
    bool m_RevealHeld = false;  // the held frame's message is being revealed unseen
    uint32_t m_LastPresent = 0;
};
