#pragma once
// No sound device: opening fails, so the game runs silent.
#include "platform/mixer_backend.h"

namespace platform {

class NullMixerBackend : public MixerBackend {
public:
    bool Open(Mixer& mixer, const WaveFormatEx& format) override;
    void Close() override;
};

}  // namespace platform
