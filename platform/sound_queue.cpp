#include "platform/sound_queue.h"

#include <SDL.h>

#include "platform/sdl_subsystem.h"

namespace platform {

SoundQueue::~SoundQueue() {
    Close();
}

bool SoundQueue::Open() {
    Close();
    if (!StartSdlSubsystem(SDL_INIT_AUDIO)) return false;
    m_Started = true;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    m_Device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (m_Device == 0) {
        Close();
        return false;
    }
    SDL_PauseAudioDevice(m_Device, 0);
    return true;
}

void SoundQueue::Close() {
    if (m_Device != 0) {
        SDL_CloseAudioDevice(m_Device);
        m_Device = 0;
    }
    if (m_Started) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_Started = false;
    }
}

void SoundQueue::Queue(const std::vector<int16_t>& samples) {
    if (m_Device == 0 || samples.empty()) return;
    SDL_QueueAudio(m_Device, samples.data(), static_cast<Uint32>(samples.size() * sizeof(int16_t)));
}

}  // namespace platform
