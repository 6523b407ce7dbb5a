#include "platform/sdl_mixer_backend.h"

#include <SDL.h>

#include "platform/mixer.h"
#include "platform/sdl_subsystem.h"

namespace platform {

SdlMixerBackend::~SdlMixerBackend() {
    Close();
}

bool SdlMixerBackend::Open(Mixer& mixer, const WaveFormatEx& format) {
    Close();
    if (!StartSdlSubsystem(SDL_INIT_AUDIO)) return false;
    m_SubsystemStarted = true;
    m_Mixer = &mixer;
    m_BlockAlign = format.nBlockAlign;
    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = static_cast<int>(format.nSamplesPerSec);
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(format.nChannels);
    // About 23 ms at 44.1 kHz: a sound still starts within 50 ms of its command, and the
    // device wakes half as often as with 12 ms, which is most of what waiting costs.
    want.samples = 1024;
    want.callback = &SdlMixerBackend::Callback;
    want.userdata = this;
    // No allowed changes: SDL converts to whatever the card wants.
    m_Device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m_Device == 0) {
        Close();
        return false;
    }
    SDL_PauseAudioDevice(m_Device, 0);
    return true;
}

bool SdlMixerBackend::Lost() {
    // Opened unpaused, so a device that stopped on its own was disconnected.
    return m_Device != 0 && SDL_GetAudioDeviceStatus(m_Device) == SDL_AUDIO_STOPPED;
}

void SdlMixerBackend::Close() {
    if (m_Device != 0) {
        SDL_CloseAudioDevice(m_Device);
        m_Device = 0;
    }
    if (m_SubsystemStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_SubsystemStarted = false;
    }
    m_Mixer = nullptr;
}

void SdlMixerBackend::Callback(void* user, uint8_t* stream, int length) {
    auto* self = static_cast<SdlMixerBackend*>(user);
    if (!self->m_Mixer || self->m_BlockAlign == 0 || length <= 0) {
        SDL_memset(stream, 0, static_cast<size_t>(length > 0 ? length : 0));
        return;
    }
    self->m_Mixer->Mix(reinterpret_cast<int16_t*>(stream),
                       static_cast<size_t>(length) / self->m_BlockAlign);
}

}  // namespace platform
