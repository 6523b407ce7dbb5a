// The masked container: magic, the split at L, and corrupt headers refused without reading
// outside the data.
#include "graphics/velmor_png_png.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "png_test_support.h"
#include "resources/engine_error.h"
#include "resources/memory_stream.h"

namespace {

using namespace pngtest;

Bytes Grey(uint8_t level) {
    return Png({Ihdr(2, 1, 8, 0), Idat(Rows({level, level}, 2))});
}

Bytes Container(const char* magic, uint8_t flag, uint32_t second, const Bytes& first,
                const Bytes& last) {
    Bytes out(magic, magic + 3);
    out.push_back(flag);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(second >> (8 * i)));
    out.insert(out.end(), first.begin(), first.end());
    out.insert(out.end(), last.begin(), last.end());
    return out;
}

// The container alone on the heap, so the sanitizer sees any read beyond it.
bool LoadExact(TyxVelmorPngPng& vpp, const Bytes& data, platform::Bitmap& picture,
               platform::Bitmap& mask) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[data.size()]);
    std::memcpy(exact.get(), data.data(), data.size());
    return vpp.LoadMemory(exact.get(), picture, mask, data.size());
}

TEST(VelmorPngPngTest, SplitsAtTheSecondOffset) {
    Bytes mask = Grey(255), picture = Grey(40);
    Bytes data = Container("vpp", 7, uint32_t(8 + mask.size()), mask, picture);
    TyxVelmorPngPng vpp;
    EXPECT_EQ(vpp.Magic(), "vpp");
    EXPECT_EQ(vpp.Extension(), ".vpp");
    platform::Bitmap pic, msk;
    ASSERT_TRUE(LoadExact(vpp, data, pic, msk));
    EXPECT_EQ(vpp.Flag(), 7);
    EXPECT_EQ(msk.Pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(pic.Pixel(1, 0), 0x282828u);

    // Through a stream from its position; afterwards the position is past the container.
    TMemoryStream stream;
    stream.Write("ab", 2);
    stream.Write(data.data(), data.size());
    stream.Write("zz", 2);
    stream.SetPosition(2);
    platform::Bitmap pic2, msk2;
    ASSERT_TRUE(vpp.LoadStream(stream, pic2, msk2, data.size()));
    EXPECT_EQ(stream.Position(), 2 + data.size());
    EXPECT_EQ(pic2.Pixel(0, 0), 0x282828u);
}

TEST(VelmorPngPngTest, WrongMagicAndBadOffsetsLeaveBitmapsAlone) {
    Bytes mask = Grey(255), picture = Grey(40);
    const uint32_t good = uint32_t(8 + mask.size());
    TyxVelmorPngPng vpp;
    platform::Bitmap pic, msk;
    pic.SetFormat(3, 3, 24);
    msk.SetFormat(5, 5, 8);
    for (const Bytes& bad :
         {Container("VPP", 0, good, mask, picture), Container("vpq", 0, good, mask, picture),
          Container("vpp", 0, 7, mask, picture), Container("vpp", 0, 0, mask, picture),
          Container("vpp", 0, 0xFFFFFFF0u, mask, picture),
          Container("vpp", 0, good + uint32_t(picture.size()) + 1, mask, picture),
          Bytes{'v', 'p', 'p', 0, 9}, Bytes{'v', 'p'}}) {
        EXPECT_FALSE(LoadExact(vpp, bad, pic, msk));
        EXPECT_EQ(pic.Width(), 3);
        EXPECT_EQ(msk.Width(), 5);
    }
    // A size the stream does not hold is cut to what is there.
    TMemoryStream stream;
    Bytes data = Container("vpp", 0, good, mask, picture);
    stream.Write(data.data(), data.size());
    stream.SetPosition(0);
    EXPECT_TRUE(vpp.LoadStream(stream, pic, msk, data.size() + 1000));

    // A PNG that does not decode raises the decoder's error; the mask keeps its old picture.
    Bytes broken = Container("vpp", 0, good, mask, Bytes(picture.begin(), picture.begin() + 30));
    msk.SetFormat(5, 5, 8);
    try {
        LoadExact(vpp, broken, pic, msk);
        ADD_FAILURE() << "no error";
    } catch (const EEngineError& e) {
        EXPECT_STREQ(e.what(), "Read Image (PNG): Read Error");
    }
    EXPECT_EQ(msk.Width(), 5);
}

}  // namespace
