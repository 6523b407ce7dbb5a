#pragma once
// The sound card through SDL's audio callback.
#include <cstdint>

#include "platform/mixer_backend.h"

namespace platform {

class SdlMixerBackend : public MixerBackend {
public:
    ~SdlMixerBackend() override;
    bool Open(Mixer& mixer, const WaveFormatEx& format) override;
    void Close() override;
    bool Lost() override;

private:
    static void Callback(void* user, uint8_t* stream, int length);

    Mixer* m_Mixer = nullptr;
    uint32_t m_Device = 0;
    uint16_t m_BlockAlign = 0;
    bool m_SubsystemStarted = false;
};

}  // namespace platform
