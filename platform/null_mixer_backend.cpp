#include "platform/null_mixer_backend.h"

namespace platform {

bool NullMixerBackend::Open(Mixer&, const WaveFormatEx&) {
    return false;
}

void NullMixerBackend::Close() {}

}  // namespace platform
