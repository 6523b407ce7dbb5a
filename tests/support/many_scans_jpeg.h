#pragma once
// A small progressive JPEG whose last scan is repeated: each copy makes a decoder walk the
// whole picture's coefficients again, so a few kilobytes cost seconds without a scan cap.
#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace jpegtest {

inline std::vector<uint8_t> Progressive(int w, int h) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(w);
    info.image_height = static_cast<JDIMENSION>(h);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 7 + y);
            row[3 * x + 1] = static_cast<uint8_t>(x ^ y);
            row[3 * x + 2] = static_cast<uint8_t>(y * 5);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// The picture with its last scan (header and data) repeated until it has `scans` scans.
inline std::vector<uint8_t> ManyScans(int scans, int w = 256, int h = 256) {
    std::vector<uint8_t> jpeg = Progressive(w, h);
    size_t last = 0;
    int have = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
            last = i;
            ++have;
        }
    const std::vector<uint8_t> scan(jpeg.begin() + static_cast<long>(last), jpeg.end() - 2);
    std::vector<uint8_t> out(jpeg.begin(), jpeg.end() - 2);
    for (int i = have; i < scans; ++i) out.insert(out.end(), scan.begin(), scan.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

}  // namespace jpegtest
