#pragma once
// The codes the engine shares with the window, the runner and the save data. Their numbers
// are what save files and transcripts hold, so they never change.
#include <cstdint>

// What the engine is doing, and so which ticks run and where input goes.
enum class TGameMode : uint8_t {
    None = 0,
    Script = 1,
    Choice = 2,
    Movie = 3,
    Gallery = 4,
    SceneList = 5,
    ImageSelect = 6,
    WarpMap = 7,
    Plugin = 8,
};
constexpr int kGameModeCount = 9;
constexpr bool IsGameMode(int32_t value) {
    return value >= 0 && value < kGameModeCount;
}

// Player input as the modes receive it, with a position in game coordinates, or (-1, -1) for
// keys and the joystick.
enum class TInputCode : int {
    Confirm = 1,
    SkipHeld = 2,
    HideWindow = 3,
    ShowWindow = 4,
    Up = 5,
    Down = 6,
    First = 7,
    Last = 8,
};

// One operation on a sound channel.
enum class TSoundOperation : int {
    None = 0,
    Load = 1,
    PlayOnce = 2,
    Stop = 3,
    Reserved = 4,
    PlayLooped = 5,
};

// The sound channels, which are also the player's slots.
enum class TSoundChannel : int { Music = 0, Ambient = 1, Effect = 2, Voice = 3 };
constexpr int kSoundChannelCount = 4;

// Requests to the main window's CD control.
enum class TCDRequest : int {
    Open = 1,
    Play = 2,
    Stop = 3,
    Close = 4,
    PlayNotify = 5,
    Pause = 6,
    Resume = 7,
    Replay = 8,
};

// Why play stopped, as the engine reports it with a fatal script error.
enum class TEndReason : uint8_t {
    Fatal,        // a script error that ends the game
    ScenarioEnd,  // the scenario's end signal (a "%" line, or past the last line)
};

template <class E>
constexpr int CodeOf(E e) {
    return static_cast<int>(e);
}
