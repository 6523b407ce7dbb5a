#include "platform/jpeg_decoder.h"

#include <jpeglib.h>

#include "platform/picture_limits.h"
#include "platform/quit_request.h"

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr, int) {}  // warnings about damaged data are not worth a console line

struct Progress {
    jpeg_progress_mgr base;
    std::chrono::steady_clock::time_point deadline;
};

// Ends a decode that has too many scans, runs too long or outlives a request to quit.
void OnProgress(j_common_ptr info) {
    auto* progress = reinterpret_cast<Progress*>(info->progress);
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    const char* why = nullptr;
    if (!info->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > PictureLimits::kMaxJpegScans)
        why = "too many scans";
    else if (QuitRequest::IsSet())
        why = "stopped";
    else if (std::chrono::steady_clock::now() > progress->deadline)
        why = "decoding takes too long";
    if (!why) return;
    std::snprintf(errors->message, sizeof errors->message, "%s", why);
    std::longjmp(errors->jump, 2);
}

// Scan headers in the bytes: entropy-coded data stuffs every 0xFF, so 0xFF 0xDA is a marker.
int CountScans(const uint8_t* data, size_t size) {
    int scans = 0;
    for (size_t i = 0; i + 1 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xDA) ++scans;
    return scans;
}

}  // namespace

bool JpegDecoder::Decode(const uint8_t* data, size_t size, Bitmap& picture) {
    m_Error.clear();
    if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        m_Error = "JPEG: not a JPEG picture";
        return false;
    }
    if (CountScans(data, size) > PictureLimits::kMaxJpegScans) {
        m_Error = "JPEG: too many scans";
        return false;
    }
    // Everything longjmp may skip lives outside the jump's frame.
    jpeg_decompress_struct info;
    ErrorManager errors;
    Progress progress{};
    progress.base.progress_monitor = OnProgress;
    progress.deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(PictureLimits::kMaxDecodeMilliseconds);
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.emit_message = OnMessage;
    errors.message[0] = '\0';
    Bitmap decoded;
    std::vector<uint8_t> row;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        m_Error = std::string("JPEG: ") + errors.message;
        return false;
    }
    jpeg_create_decompress(&info);
    info.progress = &progress.base;
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    if (!PictureLimits::Allowed(info.image_width, info.image_height, 24)) {
        jpeg_destroy_decompress(&info);
        m_Error = "JPEG: picture too large";
        return false;
    }
    jpeg_start_decompress(&info);
    const int width = static_cast<int>(info.output_width),
              height = static_cast<int>(info.output_height);
    decoded.SetFormat(width, height, 24);
    row.resize(static_cast<size_t>(width) * info.output_components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row.data()};
        const int y = static_cast<int>(info.output_scanline);
        if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
        uint8_t* out = decoded.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            out[3 * x] = row[3 * x + 2];
            out[3 * x + 1] = row[3 * x + 1];
            out[3 * x + 2] = row[3 * x];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    picture = decoded;
    return true;
}

}  // namespace platform
