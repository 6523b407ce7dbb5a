#include "platform/picture_writer.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "platform/bitmap.h"
#include "platform/file_system.h"

namespace platform {

namespace {
struct ErrorJump {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
void OnJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}
void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
// One row as B, G, R bytes.
void RowBgr(const Bitmap& picture, int y, uint8_t* out) {
    for (int x = 0; x < picture.Width(); ++x) {
        const uint32_t c = picture.Pixel(x, y);  // 0x00BBGGRR
        out[x * 3] = static_cast<uint8_t>(c >> 16);
        out[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
        out[x * 3 + 2] = static_cast<uint8_t>(c);
    }
}
}  // namespace

bool PictureWriter::EncodeJpeg(const Bitmap& picture, int quality, std::vector<uint8_t>& bytes) {
    if (picture.Empty()) return false;
    jpeg_compress_struct info{};
    ErrorJump error{};
    info.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = OnJpegError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> row(static_cast<size_t>(picture.Width()) * 3);
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.Width());
    info.image_height = static_cast<JDIMENSION>(picture.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < picture.Height(); ++y) {
        RowBgr(picture, y, row.data());
        for (int x = 0; x < picture.Width(); ++x) std::swap(row[x * 3], row[x * 3 + 2]);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    bytes.assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

std::vector<uint8_t> PictureWriter::EncodeBmp24(const Bitmap& picture) {
    const int w = picture.Width(), h = picture.Height();
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    const uint32_t data = stride * static_cast<uint32_t>(h);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + data);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(w));
    Put32(out, static_cast<uint32_t>(h));  // bottom-up
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, data);
    Put32(out, 3780);  // 96 dots per inch
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
    std::vector<uint8_t> row(stride, 0);
    for (int y = h - 1; y >= 0; --y) {
        RowBgr(picture, y, row.data());
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool PictureWriter::SaveJpeg(const Bitmap& picture, const std::string& path, int quality) {
    std::vector<uint8_t> bytes;
    return EncodeJpeg(picture, quality, bytes) && FileSystem::WriteFileAtomic(path, bytes);
}

bool PictureWriter::SaveBmp24(const Bitmap& picture, const std::string& path) {
    return !picture.Empty() && FileSystem::WriteFileAtomic(path, EncodeBmp24(picture));
}

}  // namespace platform
