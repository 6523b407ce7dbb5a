#include "platform/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/sdl_mixer_backend.h"
#include "platform/sound_buffer.h"

namespace platform {

namespace {

std::mutex g_FactoryMutex;
Mixer::BackendFactory g_Factory;

bool ValidPcm(const WaveFormatEx& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels != 1 && f.nChannels != 2) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
    if (f.nSamplesPerSec < DSBFREQUENCY_MIN || f.nSamplesPerSec > DSBFREQUENCY_MAX) return false;
    if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return false;
    return f.nAvgBytesPerSec == static_cast<uint32_t>(f.nBlockAlign) * f.nSamplesPerSec;
}

}  // namespace

std::shared_ptr<Mixer> Mixer::Create() {
    std::unique_ptr<MixerBackend> backend;
    {
        std::lock_guard<std::mutex> lock(g_FactoryMutex);
        if (g_Factory) backend = g_Factory();
    }
    if (!backend) backend = std::make_unique<SdlMixerBackend>();
    return std::make_shared<Mixer>(std::move(backend));
}

void Mixer::SetBackendFactoryForTests(BackendFactory factory) {
    std::lock_guard<std::mutex> lock(g_FactoryMutex);
    g_Factory = std::move(factory);
}

Mixer::Mixer(std::unique_ptr<MixerBackend> backend) : m_Backend(std::move(backend)) {}

Mixer::~Mixer() {
    // Stop the pulling thread before anything it reads goes away.
    if (m_Backend) m_Backend->Close();
}

bool Mixer::SetPrimaryFormat(const WaveFormatEx& format) {
    if (!ValidPcm(format) || format.wBitsPerSample != 16 || !m_Backend) return false;
    if (m_Open) {
        m_Backend->Close();
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Open = false;
    }
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Primary = format;
        for (SoundBuffer* buffer : m_Buffers) buffer->OpenConverter(m_Primary);
    }
    if (!m_Backend->Open(*this, format)) return false;
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Open = true;
    return true;
}

WaveFormatEx Mixer::PrimaryFormat() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Primary;
}

std::unique_ptr<SoundBuffer> Mixer::CreateSoundBuffer(const DSBufferDesc& desc) {
    if (desc.dwFlags & DSBCAPS_PRIMARYBUFFER) return nullptr;
    const WaveFormatEx& f = desc.wfxFormat;
    if (!ValidPcm(f)) return nullptr;
    if (desc.dwBufferBytes < DSBSIZE_MIN || desc.dwBufferBytes > DSBSIZE_MAX) return nullptr;
    if (desc.dwBufferBytes % f.nBlockAlign != 0) return nullptr;
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_Open) return nullptr;
    std::unique_ptr<SoundBuffer> buffer(new SoundBuffer(shared_from_this(), desc));
    if (!buffer->OpenConverter(m_Primary)) return nullptr;
    m_Buffers.push_back(buffer.get());
    return buffer;
}

void Mixer::Mix(int16_t* out, size_t frames) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    size_t channels = m_Primary.nChannels ? m_Primary.nChannels : 2;
    size_t samples = frames * channels;
    if (!m_Open) {
        std::memset(out, 0, samples * sizeof(int16_t));
        return;
    }
    m_Accumulator.assign(samples, 0.0f);
    for (SoundBuffer* buffer : m_Buffers) {
        if (buffer->m_Playing && !buffer->m_Lost) {
            buffer->MixInto(m_Accumulator.data(), frames, m_Primary);
        }
    }
    const float* acc = m_Accumulator.data();
    size_t i = 0;
#if defined(__SSE2__)
    // Clamped before rounding (to nearest even, as nearbyint does in the default mode), which
    // gives the same samples as rounding and then clamping.
    const __m128 lo = _mm_set1_ps(-32768.0f), hi = _mm_set1_ps(32767.0f);
    for (; i + 8 <= samples; i += 8) {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(acc + i), lo), hi);
        const __m128 b = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(acc + i + 4), lo), hi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b)));
    }
#endif
    for (; i < samples; ++i) {
        float v = std::nearbyint(acc[i]);
        out[i] = static_cast<int16_t>(std::clamp(v, -32768.0f, 32767.0f));
    }
}

bool Mixer::CheckDevice() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (m_DeviceLost) return true;
        if (!m_Open || !m_Backend || !m_Backend->Lost()) return false;
        m_DeviceLost = true;
    }
    MarkBuffersLost();
    return true;
}

bool Mixer::ReopenDevice() {
    std::lock_guard<std::mutex> device(m_DeviceMutex);
    WaveFormatEx format;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (!m_DeviceLost) return m_Open;
        m_Open = false;
        format = m_Primary;
    }
    m_Backend->Close();
    const bool ok = m_Backend->Open(*this, format);
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Open = ok;
    if (ok) m_DeviceLost = false;
    return ok;
}

void Mixer::MarkBuffersLost() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    for (SoundBuffer* buffer : m_Buffers) {
        buffer->m_Lost = true;
        buffer->m_Playing = false;
        buffer->ClearConverter();
    }
}

}  // namespace platform
