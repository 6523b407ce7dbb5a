#pragma once
// Opens without a device: nothing pulls the sound except whoever calls Mixer::Mix, so tests
// decide exactly how far the play cursors move.
#include "platform/mixer_backend.h"

namespace platform {

class PumpedMixerBackend : public MixerBackend {
public:
    bool Open(Mixer& mixer, const WaveFormatEx& format) override;
    void Close() override;
    bool Lost() override { return lost; }
    // Tests pull the device away; opening again brings it back.
    bool lost = false;
};

}  // namespace platform
