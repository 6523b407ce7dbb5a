#pragma once
// Where the mixed sound goes: a sound card, nothing at all, or a test that pulls it.
#include "platform/sound_types.h"

namespace platform {

class Mixer;

class MixerBackend {
public:
    virtual ~MixerBackend() = default;
    // Starts output in the given format; from then on the backend pulls sound with
    // mixer.Mix, on any thread, until Close.
    virtual bool Open(Mixer& mixer, const WaveFormatEx& format) = 0;
    virtual void Close() = 0;
    // The device went away while open (unplugged, taken by the system); output has stopped.
    virtual bool Lost() { return false; }
};

}  // namespace platform
