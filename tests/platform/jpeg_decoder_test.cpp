// JPEG decoding through libjpeg, on pictures encoded here.
#include "platform/jpeg_decoder.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::vector<uint8_t> Encode(int w, int h) {
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
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {  // left half red, right half blue
            row[3 * x] = x < w / 2 ? 255 : 0;
            row[3 * x + 1] = 0;
            row[3 * x + 2] = x < w / 2 ? 0 : 255;
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

}  // namespace

TEST(JpegDecoder, DecodesIntoA24BitPicture) {
    const std::vector<uint8_t> jpeg = Encode(64, 16);
    platform::JpegDecoder decoder;
    platform::Bitmap picture;
    ASSERT_TRUE(decoder.Decode(jpeg.data(), jpeg.size(), picture)) << decoder.Error();
    EXPECT_EQ(picture.Width(), 64);
    EXPECT_EQ(picture.Height(), 16);
    EXPECT_EQ(picture.BitsPerPixel(), 24);
    const uint32_t left = picture.Pixel(8, 8), right = picture.Pixel(56, 8);
    EXPECT_GT(left & 0xFF, 240u);  // red
    EXPECT_LT((left >> 16) & 0xFF, 16u);
    EXPECT_GT((right >> 16) & 0xFF, 240u);  // blue
}

TEST(JpegDecoder, CorruptDataGivesAnErrorAndLeavesThePicture) {
    std::vector<uint8_t> jpeg = Encode(32, 32);
    platform::JpegDecoder decoder;
    platform::Bitmap picture;
    picture.SetFormat(3, 3, 32);
    const std::vector<std::vector<uint8_t>> bad = {
        {},
        {0xFF, 0xD8},
        std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 40),
        std::vector<uint8_t>(100, 0x42),
    };
    for (const auto& data : bad) {
        EXPECT_FALSE(decoder.Decode(data.data(), data.size(), picture));
        EXPECT_FALSE(decoder.Error().empty());
        EXPECT_EQ(picture.Width(), 3);
    }
    // Cut anywhere: an error or a whole picture, never a fault.
    for (size_t size = 0; size < jpeg.size(); size += 7) {
        platform::Bitmap any;
        if (decoder.Decode(jpeg.data(), size, any)) {
            EXPECT_EQ(any.Width(), 32);
        }
    }
}
