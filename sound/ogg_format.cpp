#include "sound/ogg_format.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {
// Undecodable stretches in a row before a damaged stream is given up.
constexpr int kMaxHoles = 64;
// Sounds up to this size once decoded are kept for their loops: about 24 s of 44.1 kHz
// stereo, the length of most ambient loops and of short music.
size_t g_MaxKept = size_t(4) << 20;
}  // namespace

void TyxOggFormat::SetKeptLimitForTests(size_t bytes) {
    g_MaxKept = bytes;
}

TyxOggFormat::TyxOggFormat() {
    std::memset(&m_Decoder, 0, sizeof m_Decoder);
    m_Callbacks.read_func = &TyxOggFormat::ReadCallback;
    m_Callbacks.seek_func = &TyxOggFormat::SeekCallback;
    m_Callbacks.close_func = &TyxOggFormat::CloseCallback;
    m_Callbacks.tell_func = &TyxOggFormat::TellCallback;
}

TyxOggFormat::~TyxOggFormat() {
    Clear();
}

void TyxOggFormat::Clear() {
    if (m_Stream) ov_clear(&m_Decoder);
    m_Stream = nullptr;
    m_Kept = {};
    m_KeptTotal = m_KeptPos = 0;
    m_FromKept = false;
}

void TyxOggFormat::Keep(const char* bytes, long count) {
    if (m_KeptTotal == 0 || m_FromKept) return;
    if (m_Kept.size() + static_cast<size_t>(count) > m_KeptTotal) {
        // More than the stream declared: not the sound it said it was, so nothing is kept.
        m_Kept = {};
        m_KeptTotal = 0;
        return;
    }
    m_Kept.insert(m_Kept.end(), bytes, bytes + count);
}

uint32_t TyxOggFormat::ReadKept(char* out, uint32_t length, bool loop) {
    const uint32_t frameBytes = m_Format.nBlockAlign;
    uint32_t count = 0;
    while (count < length) {
        if (length - count < frameBytes) {
            std::memset(out + count, 0, length - count);
            break;
        }
        if (m_KeptPos == m_Kept.size()) {
            if (!loop) {
                std::memset(out + count, 0, length - count);
                m_Ended = true;
                return count;
            }
            m_KeptPos = 0;
        }
        // Whole frames, as the decoder hands them out.
        const size_t n = std::min<size_t>(m_Kept.size() - m_KeptPos,
                                          (length - count) / frameBytes * frameBytes);
        std::memcpy(out + count, m_Kept.data() + m_KeptPos, n);
        m_KeptPos += n;
        count += static_cast<uint32_t>(n);
    }
    return count;
}

size_t TyxOggFormat::ReadCallback(void* buffer, size_t size, size_t count, void* self) {
    auto* ogg = static_cast<TyxOggFormat*>(self);
    if (size == 0 || count > SIZE_MAX / size) return 0;
    return ogg->m_Stream->Read(buffer, size * count);
}

int TyxOggFormat::SeekCallback(void* self, ogg_int64_t offset, int origin) {
    auto* ogg = static_cast<TyxOggFormat*>(self);
    int64_t target;
    switch (origin) {
        case SEEK_SET:
            target = ogg->m_Start + offset;
            if (target > INT32_MAX) return -1;
            break;
        case SEEK_CUR:
            target = ogg->m_Stream->Position() + offset;
            break;
        case SEEK_END:
            target = ogg->m_Stream->Size() + offset;
            break;
        default:
            return -1;
    }
    // vorbisfile takes -1 as the failure; anything else counts as done.
    return ogg->m_Stream->Seek(target) ? 0 : -1;
}

int TyxOggFormat::CloseCallback(void*) {
    return 0;
}

long TyxOggFormat::TellCallback(void* self) {
    auto* ogg = static_cast<TyxOggFormat*>(self);
    int64_t position = ogg->m_Stream->Position() - ogg->m_Start;
    return position < 0 ? -1 : static_cast<long>(position);
}

bool TyxOggFormat::Open(TyxSoundStream* stream) {
    Clear();
    m_Format = {};
    m_Ended = false;
    m_Failed = false;
    m_TotalLength = 0;
    if (!stream) return false;
    m_Stream = stream;
    m_Start = stream->Position();
    // vorbisfile clears its own state when it refuses the stream.
    if (ov_open_callbacks(this, &m_Decoder, nullptr, 0, m_Callbacks) != 0) {
        m_Stream = nullptr;
        std::memset(&m_Decoder, 0, sizeof m_Decoder);
        return false;
    }
    vorbis_info* info = ov_info(&m_Decoder, -1);
    if (!info || info->channels <= 0 || info->channels > 0xFFFF || info->rate <= 0 ||
        info->rate > INT32_MAX / 4 / info->channels) {
        Clear();
        return false;
    }
    m_Format.wFormatTag = platform::WAVE_FORMAT_PCM;
    m_Format.nChannels = static_cast<uint16_t>(info->channels);
    m_Format.nSamplesPerSec = static_cast<uint32_t>(info->rate);
    m_Format.wBitsPerSample = 16;
    m_Format.nBlockAlign = static_cast<uint16_t>(info->channels * 16 / 8);
    m_Format.nAvgBytesPerSec = m_Format.nBlockAlign * m_Format.nSamplesPerSec;
    m_Format.cbSize = 0;
    double total = ov_time_total(&m_Decoder, -1);
    if (total > 0 && total * 1000.0 < INT_MAX) m_TotalLength = static_cast<int>(total * 1000.0);
    const ogg_int64_t frames = ov_pcm_total(&m_Decoder, -1);
    if (frames > 0 && m_Format.nBlockAlign != 0 &&
        static_cast<uint64_t>(frames) <= g_MaxKept / m_Format.nBlockAlign) {
        m_KeptTotal = static_cast<size_t>(frames) * m_Format.nBlockAlign;
        m_Kept.reserve(m_KeptTotal);
    }
    return true;
}

bool TyxOggFormat::Rewind() {
    if (!m_Stream) return false;
    m_Ended = false;
    if (m_FromKept) {
        m_KeptPos = 0;
        return true;
    }
    // A pass cut short is kept again from the start.
    m_Kept.clear();
    return ov_time_seek(&m_Decoder, 0.0) == 0;
}

uint32_t TyxOggFormat::Read(void* buffer, uint32_t length, bool loop) {
    auto* out = static_cast<char*>(buffer);
    uint32_t count = 0;
    if (!m_Stream || m_Failed) {
        std::memset(out, 0, length);
        m_Ended = true;
        return 0;
    }
    if (m_FromKept) return ReadKept(out, length, loop);
    int holes = 0;
    bool sinceRewindEmpty = false;  // a rewind that gave nothing means an empty stream
    uint32_t frameBytes = m_Format.nBlockAlign ? m_Format.nBlockAlign : 1;
    while (count < length) {
        if (length - count < frameBytes) {
            // Less than one frame left: the decoder only hands out whole frames.
            std::memset(out + count, 0, length - count);
            break;
        }
        long got =
            ov_read(&m_Decoder, out + count, static_cast<int>(length - count), 0, 2, 1, nullptr);
        if (got > 0) {
            Keep(out + count, got);
            count += static_cast<uint32_t>(got);
            holes = 0;
            sinceRewindEmpty = false;
        } else if (got == 0) {
            // The whole pass is here: from now on it plays from memory (and so plays on when
            // the file goes bad later).
            if (m_KeptTotal != 0 && m_Kept.size() == m_KeptTotal) {
                m_FromKept = true;
                m_KeptPos = m_Kept.size();
                return count + ReadKept(out + count, length - count, loop);
            }
            if (loop && !sinceRewindEmpty) {
                Rewind();
                sinceRewindEmpty = true;
                continue;
            }
            std::memset(out + count, 0, length - count);
            m_Ended = true;
            if (loop) m_Failed = true;
            return count;
        } else {
            // Decoded with holes, a pass would not come out alike twice.
            m_Kept = {};
            m_KeptTotal = 0;
            if (++holes > kMaxHoles || got == OV_EBADLINK || got == OV_EINVAL) {
                std::memset(out + count, 0, length - count);
                m_Ended = true;
                m_Failed = true;
                return count;
            }
        }
    }
    return count;
}
