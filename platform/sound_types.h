#pragma once
// The records and flags of the streaming sound interface, spelled as the sound code
// expects them from DirectSound.
#include <cstdint>

namespace platform {

class AutoResetEvent;

// Layout of WAVEFORMATEX; only PCM (tag 1) is played.
struct WaveFormatEx {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};

constexpr uint16_t WAVE_FORMAT_PCM = 1;

constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr uint32_t DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr uint32_t DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
constexpr uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;
constexpr uint32_t DSBCAPS_GLOBALFOCUS = 0x00008000;

constexpr uint32_t DSBPLAY_LOOPING = 0x00000001;

constexpr uint32_t DSBSTATUS_PLAYING = 0x00000001;
constexpr uint32_t DSBSTATUS_BUFFERLOST = 0x00000002;
constexpr uint32_t DSBSTATUS_LOOPING = 0x00000004;

constexpr int32_t DSBVOLUME_MIN = -10000;
constexpr int32_t DSBVOLUME_MAX = 0;

// Limits a secondary buffer accepts.
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 200000;
constexpr uint32_t DSBSIZE_MIN = 4;
constexpr uint32_t DSBSIZE_MAX = 0x0FFFFFFF;

struct DSBufferDesc {
    uint32_t dwFlags = 0;
    uint32_t dwBufferBytes = 0;
    WaveFormatEx wfxFormat;
};

// Event signalled when the play cursor reaches the byte offset.
struct DSBPositionNotify {
    uint32_t dwOffset = 0;
    AutoResetEvent* hEventNotify = nullptr;
};

}  // namespace platform
