#include "platform/video_decoder.h"

#include "platform/ffmpeg_library.h"
#include "platform/file_system.h"

namespace platform {

namespace {

// Only reached once Open found the libraries.
const FfmpegLibrary& Ff() {
    return *FfmpegLibrary::Get();
}

}  // namespace

struct VideoDecoder::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    int videoStream = -1;
    int audioStream = -1;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    bool drained = false;

    ~State() {
        Ff().sws_freeContext(scaler);
        Ff().swr_free(&resampler);
        Ff().av_frame_free(&frame);
        Ff().av_packet_free(&packet);
        Ff().avcodec_free_context(&video);
        Ff().avcodec_free_context(&audio);
        Ff().avformat_close_input(&format);
    }

    AVCodecContext* OpenCodec(int index) {
        const AVCodecParameters* parameters = format->streams[index]->codecpar;
        const AVCodec* codec = Ff().avcodec_find_decoder(parameters->codec_id);
        if (!codec) return nullptr;
        AVCodecContext* context = Ff().avcodec_alloc_context3(codec);
        if (!context || Ff().avcodec_parameters_to_context(context, parameters) < 0 ||
            Ff().avcodec_open2(context, codec, nullptr) < 0) {
            Ff().avcodec_free_context(&context);
            return nullptr;
        }
        return context;
    }

    void TakeSound(std::vector<int16_t>& sound) {
        // A frame the resampler refuses is dropped; the next may open it.
        while (Ff().avcodec_receive_frame(audio, frame) == 0)
            Ff().AppendStereo(resampler, *frame, sound);
    }

    bool TakePicture(QImage& picture, int64_t& ms) {
        if (Ff().avcodec_receive_frame(video, frame) != 0) return false;
        const int w = frame->width, h = frame->height;
        if (w <= 0 || h <= 0) return false;
        scaler =
            Ff().sws_getCachedContext(scaler, w, h, static_cast<AVPixelFormat>(frame->format), w, h,
                                      AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!scaler) return false;
        picture = QImage(w, h, QImage::Format_RGB32);
        if (picture.isNull()) return false;  // a size no memory holds: a damaged movie
        uint8_t* planes[1] = {picture.bits()};
        const int strides[1] = {static_cast<int>(picture.bytesPerLine())};
        Ff().sws_scale(scaler, frame->data, frame->linesize, 0, h, planes, strides);
        const int64_t pts = frame->best_effort_timestamp;
        const AVRational base = format->streams[videoStream]->time_base;
        ms = pts == AV_NOPTS_VALUE ? 0 : Ff().av_rescale_q(pts, base, AVRational{1, 1000});
        return true;
    }
};

VideoDecoder::VideoDecoder() = default;

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::Open(const std::string& path) {
    Close();
    // A movie that is not there costs no loading of FFmpeg.
    if (!FileSystem::FileExists(path) || !FfmpegLibrary::Get()) return false;
    // Damaged movies are our own error path; FFmpeg's warnings about them are noise.
    Ff().av_log_set_level(AV_LOG_ERROR);
    auto s = std::make_unique<State>();
    const std::string host = FileSystem::ToHostPath(path);
    if (Ff().avformat_open_input(&s->format, host.c_str(), nullptr, nullptr) < 0) return false;
    if (Ff().avformat_find_stream_info(s->format, nullptr) < 0) return false;
    s->videoStream = Ff().av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (s->videoStream < 0) return false;
    s->video = s->OpenCodec(s->videoStream);
    if (!s->video) return false;
    s->audioStream = Ff().av_find_best_stream(s->format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    // A movie whose sound cannot be decoded still plays, silently.
    if (s->audioStream >= 0) s->audio = s->OpenCodec(s->audioStream);
    s->packet = Ff().av_packet_alloc();
    s->frame = Ff().av_frame_alloc();
    if (!s->packet || !s->frame) return false;
    m = std::move(s);
    return true;
}

void VideoDecoder::Close() {
    m.reset();
}

bool VideoDecoder::IsOpen() const {
    return m != nullptr;
}

bool VideoDecoder::NextFrame(QImage& picture, int64_t& ms, std::vector<int16_t>& sound) {
    if (!m) return false;
    for (;;) {
        if (m->TakePicture(picture, ms)) return true;
        if (m->drained) return false;
        const int read = Ff().av_read_frame(m->format, m->packet);
        if (read < 0) {
            // The end (or damage): flush what the decoders still hold.
            m->drained = true;
            Ff().avcodec_send_packet(m->video, nullptr);
            if (m->audio) {
                Ff().avcodec_send_packet(m->audio, nullptr);
                m->TakeSound(sound);
            }
            continue;
        }
        if (m->packet->stream_index == m->videoStream) {
            Ff().avcodec_send_packet(m->video, m->packet);
        } else if (m->audio && m->packet->stream_index == m->audioStream) {
            if (Ff().avcodec_send_packet(m->audio, m->packet) == 0) m->TakeSound(sound);
        }
        Ff().av_packet_unref(m->packet);
    }
}

}  // namespace platform
