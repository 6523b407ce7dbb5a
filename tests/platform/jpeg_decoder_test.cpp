// JPEG decoding through libjpeg, on pictures encoded here.
#include "platform/jpeg_decoder.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/picture_limits.h"
#include "platform/quit_request.h"
#include "tests/support/many_scans_jpeg.h"

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

// Bounded work: a picture with thousands of scans, or beyond the size limit, is a failed
// load like a corrupt one; an ordinary progressive picture still decodes.
TEST(JpegDecoder, RefusesManyScansAndHugePicturesKeepsProgressive) {
    platform::JpegDecoder decoder;
    platform::Bitmap picture;
    const std::vector<uint8_t> ordinary = jpegtest::Progressive(80, 40);
    ASSERT_TRUE(decoder.Decode(ordinary.data(), ordinary.size(), picture)) << decoder.Error();
    EXPECT_EQ(picture.Width(), 80);

    platform::Bitmap untouched = picture;
    for (int scans : {platform::PictureLimits::kMaxJpegScans + 1, 3000}) {
        const std::vector<uint8_t> hostile = jpegtest::ManyScans(scans, 64, 64);
        EXPECT_FALSE(decoder.Decode(hostile.data(), hostile.size(), picture)) << scans;
        EXPECT_NE(decoder.Error().find("scans"), std::string::npos);
        EXPECT_EQ(picture.Width(), 80);
    }
    // Within the cap the repeated scans decode (slowly, but boundedly).
    const std::vector<uint8_t> near = jpegtest::ManyScans(platform::PictureLimits::kMaxJpegScans, 16, 16);
    EXPECT_TRUE(decoder.Decode(near.data(), near.size(), picture)) << decoder.Error();

    // A header that claims 40000 x 40000: its size field is patched in the frame header.
    std::vector<uint8_t> huge = Encode(8, 8);
    for (size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 40000 >> 8;
            huge[i + 6] = 40000 & 0xFF;
            huge[i + 7] = 40000 >> 8;
            huge[i + 8] = 40000 & 0xFF;
            break;
        }
    EXPECT_FALSE(decoder.Decode(huge.data(), huge.size(), picture));
    EXPECT_EQ(decoder.Error(), "JPEG: picture too large");
}

TEST(JpegDecoder, AQuitRequestStopsADecode) {
    const std::vector<uint8_t> jpeg = jpegtest::Progressive(64, 64);
    platform::JpegDecoder decoder;
    platform::Bitmap picture;
    platform::QuitRequest::Set();
    EXPECT_FALSE(decoder.Decode(jpeg.data(), jpeg.size(), picture));
    platform::QuitRequest::ClearForTests();
    EXPECT_TRUE(decoder.Decode(jpeg.data(), jpeg.size(), picture));
}
