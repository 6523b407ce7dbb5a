#include "platform/audio_file_decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/ffmpeg_library.h"

namespace platform {

namespace {

// Only reached once Open found the libraries.
const FfmpegLibrary& Ff() {
    return *FfmpegLibrary::Get();
}

}  // namespace

struct AudioFileDecoder::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    bool drained = false;
    bool broken = false;
    // Decoded frames not handed out yet, and how many at their head to drop (after a seek).
    std::vector<int16_t> pending;
    size_t pendingAt = 0;
    int64_t skip = 0;
    int64_t samples = 0;

    ~State() {
        Ff().swr_free(&resampler);
        Ff().av_frame_free(&frame);
        Ff().av_packet_free(&packet);
        Ff().avcodec_free_context(&codec);
        Ff().avformat_close_input(&format);
    }

    void Convert() {
        if (!Ff().AppendStereo(resampler, *frame, pending)) broken = true;
    }

    // Decodes until something is pending; false at the end or where the data breaks off.
    bool Decode() {
        while (!broken) {
            const int got = Ff().avcodec_receive_frame(codec, frame);
            if (got == 0) {
                Convert();
                Ff().av_frame_unref(frame);
                if (pending.size() > pendingAt) return true;
                continue;
            }
            if (got == AVERROR_EOF) return false;
            if (got != AVERROR(EAGAIN)) {
                broken = true;
                return false;
            }
            if (drained) return false;
            const int read = Ff().av_read_frame(format, packet);
            if (read == AVERROR_EOF) {
                drained = true;
                Ff().avcodec_send_packet(codec, nullptr);
                continue;
            }
            if (read < 0) {
                broken = true;
                return false;
            }
            if (packet->stream_index == stream && Ff().avcodec_send_packet(codec, packet) < 0 &&
                packet->size > 0) {
                // One bad packet in a file that otherwise reads is skipped, as players do.
            }
            Ff().av_packet_unref(packet);
        }
        return false;
    }
};

AudioFileDecoder::AudioFileDecoder() = default;
AudioFileDecoder::~AudioFileDecoder() = default;

bool AudioFileDecoder::Open(const std::string& hostPath) {
    if (!FfmpegLibrary::Get()) return false;
    auto s = std::make_unique<State>();
    if (Ff().avformat_open_input(&s->format, hostPath.c_str(), nullptr, nullptr) < 0) return false;
    if (Ff().avformat_find_stream_info(s->format, nullptr) < 0) return false;
    s->stream = Ff().av_find_best_stream(s->format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (s->stream < 0) return false;
    const AVStream* st = s->format->streams[s->stream];
    const AVCodec* codec = Ff().avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) return false;
    s->codec = Ff().avcodec_alloc_context3(codec);
    if (!s->codec || Ff().avcodec_parameters_to_context(s->codec, st->codecpar) < 0 ||
        Ff().avcodec_open2(s->codec, codec, nullptr) < 0)
        return false;
    s->packet = Ff().av_packet_alloc();
    s->frame = Ff().av_frame_alloc();
    if (!s->packet || !s->frame) return false;
    if (st->duration > 0 && st->time_base.den > 0)
        s->samples = Ff().av_rescale_q(st->duration, st->time_base, AVRational{1, 44100});
    else if (s->format->duration > 0)
        s->samples = Ff().av_rescale(s->format->duration, 44100, AV_TIME_BASE);
    m = std::move(s);
    return true;
}

int64_t AudioFileDecoder::Samples() const {
    return m ? m->samples : 0;
}

bool AudioFileDecoder::Seek(int64_t sample) {
    if (!m || sample < 0) return false;
    // Back to the start and decode forward: exact to the frame for every format, and quick
    // enough for the few seconds a pause usually leaves behind.
    const AVStream* st = m->format->streams[m->stream];
    if (Ff().av_seek_frame(m->format, m->stream,
                           st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time,
                           AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    Ff().avcodec_flush_buffers(m->codec);
    Ff().swr_free(&m->resampler);
    m->pending.clear();
    m->pendingAt = 0;
    m->drained = false;
    m->broken = false;
    m->skip = sample;
    return true;
}

int64_t AudioFileDecoder::Read(int16_t* out, int64_t count) {
    if (!m) return -1;
    int64_t done = 0;
    while (done < count) {
        if (m->pendingAt >= m->pending.size()) {
            m->pending.clear();
            m->pendingAt = 0;
            if (!m->Decode()) break;
        }
        int64_t available = static_cast<int64_t>(m->pending.size() - m->pendingAt) / 2;
        if (m->skip > 0) {
            const int64_t dropped = std::min(available, m->skip);
            m->skip -= dropped;
            m->pendingAt += static_cast<size_t>(dropped) * 2;
            continue;
        }
        const int64_t take = std::min(available, count - done);
        std::memcpy(out + done * 2, m->pending.data() + m->pendingAt,
                    static_cast<size_t>(take) * 2 * sizeof(int16_t));
        m->pendingAt += static_cast<size_t>(take) * 2;
        done += take;
    }
    if (done == 0 && m->broken) return -1;
    return done;
}

}  // namespace platform
