#pragma once
// FFmpeg's libraries, opened the first time a movie or a ripped CD track is read: linked into
// the program they cost about a fifth of its memory and of its start-up for games that never
// play either.
#include <cstdint>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

// The FFmpeg functions the program calls, looked up by name when the libraries open.
// clang-format off
#define VELMOR_FFMPEG_FUNCTIONS(X)                                                              \
    X(av_channel_layout_default) X(av_find_best_stream) X(av_frame_alloc) X(av_frame_free)      \
    X(av_frame_unref) X(av_log_set_level) X(av_packet_alloc) X(av_packet_free)                  \
    X(av_packet_unref) X(av_read_frame) X(av_rescale) X(av_rescale_q) X(av_seek_frame)          \
    X(avcodec_alloc_context3) X(avcodec_find_decoder) X(avcodec_flush_buffers)                  \
    X(avcodec_free_context) X(avcodec_open2) X(avcodec_parameters_to_context)                   \
    X(avcodec_receive_frame) X(avcodec_send_packet) X(avformat_close_input)                     \
    X(avformat_find_stream_info) X(avformat_open_input) X(swr_alloc_set_opts2) X(swr_convert)   \
    X(swr_free) X(swr_get_out_samples) X(swr_init) X(sws_freeContext) X(sws_getCachedContext)   \
    X(sws_scale)
// clang-format on

namespace platform {

class FfmpegLibrary {
public:
    // The functions, each from the library of the major version these headers describe;
    // nullptr when one of them cannot be opened (then movies and ripped tracks do not play).
    static const FfmpegLibrary* Get();

    // The frame's sound appended to out as 16-bit stereo at 44.1 kHz, through resampler, which
    // is made on the first frame; false when FFmpeg refuses to make it.
    bool AppendStereo(SwrContext*& resampler, AVFrame& frame,
                      std::vector<int16_t>& out) const;

#define VELMOR_FFMPEG_MEMBER(name) decltype(&::name) name = nullptr;
    VELMOR_FFMPEG_FUNCTIONS(VELMOR_FFMPEG_MEMBER)
#undef VELMOR_FFMPEG_MEMBER

private:
    FfmpegLibrary() = default;
    bool Load();
};

}  // namespace platform
