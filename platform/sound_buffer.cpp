#include "platform/sound_buffer.h"

#include <SDL.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/auto_reset_event.h"
#include "platform/mixer.h"

namespace platform {

namespace {

SDL_AudioFormat SdlFormat(const WaveFormatEx& f) {
    return f.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
}

uint8_t SilenceByte(const WaveFormatEx& f) {
    return f.wBitsPerSample == 8 ? 0x80 : 0;
}

}  // namespace

SoundBuffer::SoundBuffer(std::shared_ptr<Mixer> mixer, const DSBufferDesc& desc)
    : m_Mixer(std::move(mixer)),
      m_Format(desc.wfxFormat),
      m_Flags(desc.dwFlags),
      m_Data(desc.dwBufferBytes, SilenceByte(desc.wfxFormat)) {
    m_Format.cbSize = 0;
}

SoundBuffer::~SoundBuffer() {
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    auto& list = m_Mixer->m_Buffers;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (m_Converter) SDL_FreeAudioStream(static_cast<SDL_AudioStream*>(m_Converter));
}

bool SoundBuffer::OpenConverter(const WaveFormatEx& output) {
    if (m_Converter) SDL_FreeAudioStream(static_cast<SDL_AudioStream*>(m_Converter));
    m_Converter = nullptr;
    // Sample size and channel count are converted here, exactly as a sound card mixes them;
    // only a different rate needs SDL's resampler.
    m_SameRate = m_Format.nSamplesPerSec == output.nSamplesPerSec;
    if (m_SameRate) return true;
    m_Converter = SDL_NewAudioStream(SdlFormat(m_Format), static_cast<Uint8>(m_Format.nChannels),
                                     static_cast<int>(m_Format.nSamplesPerSec), AUDIO_S16SYS,
                                     static_cast<Uint8>(output.nChannels),
                                     static_cast<int>(output.nSamplesPerSec));
    return m_Converter != nullptr;
}

void SoundBuffer::ClearConverter() {
    if (m_Converter) SDL_AudioStreamClear(static_cast<SDL_AudioStream*>(m_Converter));
}

bool SoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1,
                       void** region2, uint32_t* length2) {
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    uint32_t size = Size();
    if (!region1 || !length1 || m_Lost || m_Locked || offset >= size || bytes == 0 ||
        bytes > size) {
        return false;
    }
    m_LockStage.resize(bytes);
    uint32_t first = std::min(bytes, size - offset);
    std::memcpy(m_LockStage.data(), m_Data.data() + offset, first);
    std::memcpy(m_LockStage.data() + first, m_Data.data(), bytes - first);
    *region1 = m_LockStage.data();
    *length1 = first;
    if (region2) *region2 = bytes > first ? m_LockStage.data() + first : nullptr;
    if (length2) *length2 = bytes - first;
    if (!region2 && bytes > first) return false;
    m_LockOffset = offset;
    m_Locked = true;
    return true;
}

bool SoundBuffer::Unlock(void* region1, uint32_t length1, void* region2, uint32_t length2) {
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    if (!m_Locked || region1 != m_LockStage.data()) return false;
    m_Locked = false;
    uint32_t size = Size();
    uint32_t first = std::min<uint32_t>(length1, size - m_LockOffset);
    first = std::min<uint32_t>(first, static_cast<uint32_t>(m_LockStage.size()));
    std::memcpy(m_Data.data() + m_LockOffset, m_LockStage.data(), first);
    if (region2 && length2 > 0) {
        const uint8_t* second = static_cast<const uint8_t*>(region2);
        const uint8_t* stageEnd = m_LockStage.data() + m_LockStage.size();
        if (second < m_LockStage.data() || second > stageEnd) return false;
        uint32_t n = std::min<uint32_t>(length2, static_cast<uint32_t>(stageEnd - second));
        n = std::min(n, m_LockOffset);
        std::memcpy(m_Data.data(), second, n);
    }
    return true;
}

bool SoundBuffer::Play(uint32_t flags) {
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    if (m_Lost) return false;
    m_Looping = (flags & DSBPLAY_LOOPING) != 0;
    m_Playing = true;
    return true;
}

bool SoundBuffer::Stop() {
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    m_Playing = false;
    ClearConverter();
    return true;
}

bool SoundBuffer::SetCurrentPosition(uint32_t position) {
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    if (position >= Size()) return false;
    m_Cursor = position - position % m_Format.nBlockAlign;
    ClearConverter();
    return true;
}

bool SoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) const {
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    if (play) *play = m_Cursor;
    // Writing is safe right behind what the converter has taken.
    if (write) *write = m_Cursor;
    return true;
}

bool SoundBuffer::GetStatus(uint32_t* status) const {
    if (!status) return false;
    m_Mixer->CheckDevice();
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    uint32_t s = 0;
    if (m_Playing) s |= DSBSTATUS_PLAYING;
    if (m_Playing && m_Looping) s |= DSBSTATUS_LOOPING;
    if (m_Lost) s |= DSBSTATUS_BUFFERLOST;
    *status = s;
    return true;
}

bool SoundBuffer::Restore() {
    if (!m_Mixer->ReopenDevice()) return false;
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    if (!m_Mixer->m_Open) return false;
    m_Lost = false;
    return true;
}

bool SoundBuffer::SetVolume(int32_t volume) {
    if (!(m_Flags & DSBCAPS_CTRLVOLUME)) return false;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return false;
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    m_Volume = volume;
    m_Gain = volume <= DSBVOLUME_MIN ? 0.0f : static_cast<float>(std::pow(10.0, volume / 2000.0));
    return true;
}

bool SoundBuffer::GetVolume(int32_t* volume) const {
    if (!volume) return false;
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    *volume = m_Volume;
    return true;
}

bool SoundBuffer::SetNotificationPositions(uint32_t count, const DSBPositionNotify* notifies) {
    if (!(m_Flags & DSBCAPS_CTRLPOSITIONNOTIFY)) return false;
    if (count > 0 && !notifies) return false;
    for (uint32_t i = 0; i < count; ++i) {
        if (notifies[i].dwOffset >= Size() || !notifies[i].hEventNotify) return false;
    }
    std::lock_guard<std::mutex> lock(m_Mixer->m_Mutex);
    m_Notifies.assign(notifies, notifies + count);
    return true;
}

void SoundBuffer::Consume(uint8_t* out, uint32_t bytes) {
    uint32_t size = Size();
    while (bytes > 0) {
        if (!m_Playing) {
            std::memset(out, SilenceByte(m_Format), bytes);
            return;
        }
        uint32_t n = std::min(bytes, size - m_Cursor);
        // Reaching an offset means the byte there is about to be played.
        for (const DSBPositionNotify& note : m_Notifies) {
            if (note.dwOffset >= m_Cursor && note.dwOffset < m_Cursor + n) {
                note.hEventNotify->Set();
            }
        }
        std::memcpy(out, m_Data.data() + m_Cursor, n);
        out += n;
        bytes -= n;
        m_Cursor += n;
        if (m_Cursor >= size) {
            m_Cursor = 0;
            if (!m_Looping) m_Playing = false;
        }
    }
}

void SoundBuffer::ToOutput(const uint8_t* source, size_t frames, size_t channels) {
    size_t sourceChannels = m_Format.nChannels;
    int16_t* out = m_Converted.data();
    if (m_Format.wBitsPerSample == 16 && channels == sourceChannels &&
        std::endian::native == std::endian::little) {
        std::memcpy(out, source, frames * channels * sizeof(int16_t));
        return;
    }
    for (size_t f = 0; f < frames; ++f) {
        int32_t s[2];
        for (size_t c = 0; c < sourceChannels; ++c) {
            size_t i = f * sourceChannels + c;
            if (m_Format.wBitsPerSample == 8) {
                s[c] = (static_cast<int32_t>(source[i]) - 0x80) * 256;
            } else {
                s[c] = static_cast<int16_t>(source[2 * i] | source[2 * i + 1] << 8);
            }
        }
        if (channels == sourceChannels) {
            for (size_t c = 0; c < channels; ++c) *out++ = static_cast<int16_t>(s[c]);
        } else if (channels == 2) {
            *out++ = static_cast<int16_t>(s[0]);
            *out++ = static_cast<int16_t>(s[0]);
        } else {
            *out++ = static_cast<int16_t>((s[0] + s[1]) / 2);
        }
    }
}

void SoundBuffer::MixInto(float* accumulator, size_t frames, const WaveFormatEx& output) {
    size_t channels = output.nChannels;
    size_t wanted = frames * channels * sizeof(int16_t);
    m_Converted.resize(frames * channels);
    size_t got = 0;
    if (m_SameRate) {
        size_t sourceBytes = frames * m_Format.nBlockAlign;
        m_Feed.resize(sourceBytes);
        // At most one ring's length per pass so every notification is seen.
        for (size_t done = 0; done < sourceBytes;) {
            uint32_t n = static_cast<uint32_t>(std::min<size_t>(sourceBytes - done, Size()));
            Consume(m_Feed.data() + done, n);
            done += n;
        }
        ToOutput(m_Feed.data(), frames, channels);
        got = wanted;
    } else {
        auto* stream = static_cast<SDL_AudioStream*>(m_Converter);
        // The resampler holds some input back, so feed until the output is there.
        for (int pass = 0; pass < 64 && m_Playing; ++pass) {
            int available = SDL_AudioStreamAvailable(stream);
            if (available < 0 || static_cast<size_t>(available) >= wanted) break;
            size_t missingFrames =
                (wanted - static_cast<size_t>(available)) / (channels * sizeof(int16_t));
            uint64_t sourceFrames = missingFrames * static_cast<uint64_t>(m_Format.nSamplesPerSec) /
                                        output.nSamplesPerSec +
                                    1;
            uint32_t bytes = static_cast<uint32_t>(
                std::min<uint64_t>(sourceFrames * m_Format.nBlockAlign, Size()));
            m_Feed.resize(bytes);
            Consume(m_Feed.data(), bytes);
            if (SDL_AudioStreamPut(stream, m_Feed.data(), static_cast<int>(bytes)) != 0) break;
        }
        if (!m_Playing) SDL_AudioStreamFlush(stream);
        int n = SDL_AudioStreamGet(stream, m_Converted.data(), static_cast<int>(wanted));
        got = n > 0 ? static_cast<size_t>(n) : 0;
        if (!m_Playing) SDL_AudioStreamClear(stream);
    }
    const size_t samples = got / sizeof(int16_t);
    if (!(m_Gain > 0.0f)) return;
    const int16_t* in = m_Converted.data();
    size_t i = 0;
#if defined(__SSE2__)
    // Widened, converted, scaled and added as the loop below does, four at a time.
    const __m128 gain = _mm_set1_ps(m_Gain);
    for (; i + 8 <= samples; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        __m128 lo = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16));
        __m128 hi = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16));
        if (m_Gain != 1.0f) {
            lo = _mm_mul_ps(lo, gain);
            hi = _mm_mul_ps(hi, gain);
        }
        _mm_storeu_ps(accumulator + i, _mm_add_ps(_mm_loadu_ps(accumulator + i), lo));
        _mm_storeu_ps(accumulator + i + 4, _mm_add_ps(_mm_loadu_ps(accumulator + i + 4), hi));
    }
#endif
    if (m_Gain == 1.0f) {
        for (; i < samples; ++i) accumulator[i] += in[i];
    } else {
        for (; i < samples; ++i) accumulator[i] += in[i] * m_Gain;
    }
}

}  // namespace platform
