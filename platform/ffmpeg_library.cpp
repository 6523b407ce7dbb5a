#include "platform/ffmpeg_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace platform {

namespace {

void* OpenLibrary(const char* name, int major) {
    return dlopen((std::string(name) + ".so." + std::to_string(major)).c_str(),
                  RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

const FfmpegLibrary* FfmpegLibrary::Get() {
    static FfmpegLibrary* const library = [] {
        auto* made = new FfmpegLibrary;  // kept to the end: FFmpeg is never unloaded
        if (made->Load()) return made;
        delete made;
        return static_cast<FfmpegLibrary*>(nullptr);
    }();
    return library;
}

bool FfmpegLibrary::Load() {
    // In the order they need each other; the handles stay open for the program's life.
    void* const handles[] = {OpenLibrary("libavutil", LIBAVUTIL_VERSION_MAJOR),
                             OpenLibrary("libswresample", LIBSWRESAMPLE_VERSION_MAJOR),
                             OpenLibrary("libswscale", LIBSWSCALE_VERSION_MAJOR),
                             OpenLibrary("libavcodec", LIBAVCODEC_VERSION_MAJOR),
                             OpenLibrary("libavformat", LIBAVFORMAT_VERSION_MAJOR)};
    for (void* handle : handles)
        if (handle == nullptr) {
            const char* error = dlerror();
            std::fprintf(stderr, "velmor: movies and CD track files cannot play: %s\n",
                         error != nullptr ? error : "FFmpeg is missing");
            return false;
        }
    auto find = [&handles](const char* name) -> void* {
        for (void* handle : handles)
            if (void* symbol = dlsym(handle, name)) return symbol;
        std::fprintf(stderr, "velmor: movies and CD track files cannot play: no %s in FFmpeg\n",
                     name);
        return nullptr;
    };
    bool complete = true;
#define VELMOR_FFMPEG_FIND(fn)                      \
    fn = reinterpret_cast<decltype(fn)>(find(#fn)); \
    complete = complete && fn != nullptr;
    VELMOR_FFMPEG_FUNCTIONS(VELMOR_FFMPEG_FIND)
#undef VELMOR_FFMPEG_FIND
    return complete;
}

bool FfmpegLibrary::AppendStereo(SwrContext*& resampler, AVFrame& frame,
                                 std::vector<int16_t>& out) const {
    if (!resampler) {
        AVChannelLayout stereo;
        av_channel_layout_default(&stereo, 2);
        if (swr_alloc_set_opts2(&resampler, &stereo, AV_SAMPLE_FMT_S16, 44100, &frame.ch_layout,
                                static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0,
                                nullptr) < 0 ||
            swr_init(resampler) < 0) {
            swr_free(&resampler);
            return false;
        }
    }
    const int room = swr_get_out_samples(resampler, frame.nb_samples);
    if (room <= 0) return true;
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(room) * 2);
    uint8_t* to = reinterpret_cast<uint8_t*>(out.data() + at);
    const int made = swr_convert(resampler, &to, room,
                                 const_cast<const uint8_t**>(frame.extended_data),
                                 frame.nb_samples);
    out.resize(at + static_cast<size_t>(std::max(made, 0)) * 2);
    return true;
}

}  // namespace platform
