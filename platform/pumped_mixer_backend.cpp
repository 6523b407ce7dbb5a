#include "platform/pumped_mixer_backend.h"

namespace platform {

bool PumpedMixerBackend::Open(Mixer&, const WaveFormatEx&) {
    lost = false;
    return true;
}

void PumpedMixerBackend::Close() {}

}  // namespace platform
