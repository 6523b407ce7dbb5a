// Layers: BasePoint geometry, loading by real extension (descrambled, damaged files refused),
// and drawing by kind compared pixel by pixel with the blend and mask arithmetic.
#include "graphics/sprite.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <functional>
#include <memory>

#include "../support/temp_folder.h"
#include "png_test_support.h"
#include "resources/archive_writer.h"
#include "resources/bcl_manager.h"
#include "resources/witch.h"

namespace {

using Pixel = std::function<uint32_t(int, int)>;  // 0x00BBGGRR

std::string Encode(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes.toStdString();
}

uint32_t Bgr(int r, int g, int b) {
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

// A picture whose every pixel differs, so a misplaced or flipped pixel shows.
uint32_t PictureColour(int x, int y) {
    return Bgr(10 + x * 20, 5 + y * 30, 200 - x * 7 - y * 3);
}
// Opacity with the fully opaque and fully transparent shortcuts among the mixed values.
int PictureAlpha(int x, int y) {
    if (x == 0) return 255;
    if (y == 0) return 0;
    return (x * 37 + y * 91) % 256;
}

QImage MakePicture(int w, int h, bool alpha) {
    QImage image(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = PictureColour(x, y);
            image.setPixel(x, y,
                           qRgba(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF,
                                 alpha ? PictureAlpha(x, y) : 255));
        }
    return image;
}

constexpr uint32_t kGround = 0x302010;

// The blend of one channel through a transparency map value m = 255 - alpha.
uint32_t Mix(uint32_t target, uint32_t source, int m) {
    if (m == 0) return source;
    if (m == 255) return target;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t t = (target >> shift) & 0xFF, s = (source >> shift) & 0xFF;
        out |= ((t * m + s * (255 - m)) >> 8) << shift;
    }
    return out;
}

class SpriteTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        folder.WriteBytes(name, bytes);
        return folder.Str() + name;
    }
    std::unique_ptr<TSprite> NewTarget(int w, int h) {
        auto target = std::make_unique<TSprite>(7, true, nullptr, nullptr, nullptr);
        target->CreateBlank(w, h, kGround);
        return target;
    }
    // Every target pixel against what the picture at (left, top), w × h, should leave there.
    void ExpectFrame(const TSprite& target, int left, int top, int w, int h, bool mirrored,
                     const std::function<uint32_t(uint32_t ground, int sx, int sy)>& at) {
        for (int y = 0; y < target.Height(); ++y)
            for (int x = 0; x < target.Width(); ++x) {
                const int j = x - left, i = y - top;
                uint32_t want = kGround;
                if (j >= 0 && j < w && i >= 0 && i < h)
                    want = at(kGround, mirrored ? w - 1 - j : j, i);
                ASSERT_EQ(target.Image().Pixel(x, y), want) << "at " << x << "," << y;
            }
    }
    TempFolder folder;
};

TEST_F(SpriteTest, BasePointEdgesAndAreaAlignment) {
    TSprite s(7, true, nullptr, nullptr, nullptr);
    EXPECT_EQ(s.Width(), 0);
    s.CreateBlank(200, 100, 0);
    s.SetBasePoint(5, 400, 300);
    EXPECT_EQ(s.Left(), 300);
    EXPECT_EQ(s.Top(), 250);
    EXPECT_EQ(s.Right(), 500);
    EXPECT_EQ(s.Bottom(), 350);
    s.SetBasePoint(3, 400, 300);
    EXPECT_EQ(s.Left(), 200);
    EXPECT_EQ(s.Top(), 200);
    EXPECT_EQ(s.Right(), 400);
    s.SetBasePoint(7, 400, 300);
    EXPECT_EQ(s.Left(), 400);
    EXPECT_EQ(s.Top(), 300);
    EXPECT_EQ(s.Bottom(), 400);
    s.AlignToArea(800, 600, 9);
    EXPECT_EQ(s.Right(), 800);
    EXPECT_EQ(s.Top(), 0);
    s.AlignToArea(800, 600, 1);
    EXPECT_EQ(s.Left(), 0);
    EXPECT_EQ(s.Bottom(), 600);
    // Centres halve toward zero on both sides, so an odd size loses a pixel between them.
    s.CreateBlank(201, 51, 0);
    s.SetBasePoint(5, 0, 0);
    EXPECT_EQ(s.Left(), -100);
    EXPECT_EQ(s.Right(), 100);
    EXPECT_EQ(s.Top(), -25);
    EXPECT_EQ(s.Size().width, 201);
}

TEST_F(SpriteTest, AlphaPictureBlendsThroughItsMapClippedAtEveryEdge) {
    TSprite s(7, true, nullptr, nullptr, nullptr);
    ASSERT_TRUE(s.Load(Write("chara.png", Encode(MakePicture(10, 8, true), "PNG"))));
    EXPECT_EQ(s.GetKind(), TSprite::kAlpha);
    EXPECT_EQ(s.Size().width, 10);
    const auto blend = [](uint32_t ground, int sx, int sy) {
        return Mix(ground, PictureColour(sx, sy), 255 - PictureAlpha(sx, sy));
    };
    // Inside, past the left and top edges, past the right and bottom edges, and mirrored in
    // each of those places.
    const int places[][2] = {{5, 4}, {-3, -2}, {15, 12}, {-12, 0}};
    for (bool mirrored : {false, true})
        for (const auto& p : places) {
            SCOPED_TRACE(testing::Message()
                         << "left " << p[0] << " top " << p[1] << " mirrored " << mirrored);
            auto target = NewTarget(20, 16);
            s.SetBasePoint(7, p[0], p[1]);
            s.SetMirrored(mirrored);
            s.DrawTo(*target);
            ExpectFrame(*target, p[0], p[1], 10, 8, mirrored, blend);
        }
}

TEST_F(SpriteTest, OpaquePictureCopiesAndMirrorsInTheSameRectangle) {
    TSprite s(7, true, nullptr, nullptr, nullptr);
    ASSERT_TRUE(s.Load(Write("bg.png", Encode(MakePicture(10, 8, false), "PNG"))));
    EXPECT_EQ(s.GetKind(), TSprite::kOpaque);
    const auto copy = [](uint32_t, int sx, int sy) { return PictureColour(sx, sy); };
    const int places[][2] = {{0, 0}, {-4, -3}, {14, 11}};
    for (bool mirrored : {false, true})
        for (const auto& p : places) {
            SCOPED_TRACE(testing::Message()
                         << "left " << p[0] << " top " << p[1] << " mirrored " << mirrored);
            auto target = NewTarget(20, 16);
            s.SetBasePoint(7, p[0], p[1]);
            s.SetMirrored(mirrored);
            s.DrawTo(*target);
            ExpectFrame(*target, p[0], p[1], 10, 8, mirrored, copy);
        }
}

// Drawn band by band over a patterned ground, every kind that allows it leaves what one whole
// draw leaves, at any place and either way round; the kinds that do not say so.
TEST_F(SpriteTest, DrawsBandByBandLeaveWhatOneDrawLeaves) {
    using namespace pngtest;
    const Bytes keyed = Png({Ihdr(3, 2, 8, 3), Chunk("PLTE", {0, 0, 0, 255, 0, 0, 0, 0, 255}),
                             Chunk("tRNS", {0}), Idat(Rows({0, 1, 2, 2, 1, 0}, 3))});
    const std::string files[][2] = {
        {"alpha.png", Encode(MakePicture(40, 9, true), "PNG")},
        {"opaque.png", Encode(MakePicture(10, 8, false), "PNG")},
        {"keyed.png", std::string(keyed.begin(), keyed.end())}};
    const int places[][2] = {{5, 4}, {-3, -2}, {15, 12}, {-12, 0}};
    for (const auto& file : files) {
        TSprite s(7, true, nullptr, nullptr, nullptr);
        ASSERT_TRUE(s.Load(Write(file[0], file[1])));
        for (bool mirrored : {false, true}) {
            s.SetMirrored(mirrored);
            if (!s.DrawsByRows(*NewTarget(1, 1))) {
                EXPECT_TRUE(mirrored && s.GetKind() != TSprite::kAlpha) << file[0];
                continue;
            }
            for (const auto& p : places)
                for (int band : {1, 3, 7}) {
                    SCOPED_TRACE(testing::Message() << file[0] << " left " << p[0] << " top "
                                                    << p[1] << " mirrored " << mirrored
                                                    << " band " << band);
                    s.SetBasePoint(7, p[0], p[1]);
                    auto whole = NewTarget(20, 16), bands = NewTarget(20, 16);
                    for (int y = 0; y < 16; ++y)
                        for (int x = 0; x < 20; ++x) {
                            const uint32_t c = PictureColour(19 - x, 15 - y) ^ 0x5A5A5A;
                            whole->Image().SetPixel(x, y, c);
                            bands->Image().SetPixel(x, y, c);
                        }
                    s.DrawTo(*whole);
                    for (int y = -band; y < 16 + band; y += band) s.DrawRowsTo(*bands, y, y + band);
                    for (int y = 0; y < 16; ++y)
                        for (int x = 0; x < 20; ++x)
                            ASSERT_EQ(bands->Image().Pixel(x, y), whole->Image().Pixel(x, y))
                                << "at " << x << "," << y;
                }
        }
    }
    TSprite masked(7, true, nullptr, nullptr, nullptr);
    masked.CreateBlank(4, 4, 0);
    masked.SetKind(TSprite::kMasked);
    EXPECT_FALSE(masked.DrawsByRows(*NewTarget(4, 4)));
    // Nor onto a picture of another format, which a blend would convert for each band.
    TSprite opaque(7, true, nullptr, nullptr, nullptr);
    opaque.CreateBlank(4, 4, 0);
    auto other = NewTarget(4, 4);
    other->Image().SetPixelFormat(platform::PixelFormat::Bit24);
    EXPECT_TRUE(opaque.DrawsByRows(*NewTarget(4, 4)));
    EXPECT_FALSE(opaque.DrawsByRows(*other));
}

TEST_F(SpriteTest, MaskedContainerAndsTheMaskThenOrsThePicture) {
    // Transparent where x + y is even: mask white, picture black there.
    QImage mask(6, 4, QImage::Format_RGB32), picture(6, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool clear = (x + y) % 2 == 0;
            mask.setPixel(x, y, clear ? 0xFFFFFFFF : 0xFF000000);
            const uint32_t c = PictureColour(x, y);
            picture.setPixel(
                x, y, clear ? 0xFF000000 : qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        }
    const std::string first = Encode(mask, "PNG"), second = Encode(picture, "PNG");
    std::string vpp = "vpp";
    vpp += char(1);
    const uint32_t l = uint32_t(8 + first.size());
    for (int i = 0; i < 4; ++i) vpp += char(l >> (8 * i));
    vpp += first + second;

    TSprite s(7, true, nullptr, nullptr, nullptr);
    ASSERT_TRUE(s.Load(Write("mark.VPP", vpp)));
    EXPECT_EQ(s.GetKind(), TSprite::kMasked);
    const auto masked = [](uint32_t ground, int sx, int sy) {
        return (sx + sy) % 2 == 0 ? ground : PictureColour(sx, sy);
    };
    for (bool mirrored : {false, true}) {
        auto target = NewTarget(9, 6);
        s.SetBasePoint(3, 8, 7);  // bottom-right at (8, 7): cut at the right and bottom
        s.SetMirrored(mirrored);
        s.DrawTo(*target);
        ExpectFrame(*target, 2, 3, 6, 4, mirrored, masked);
    }
}

TEST_F(SpriteTest, OneTransparentPaletteColourIsSkippedByPlainAndMirroredDraws) {
    using namespace pngtest;
    // Palette: 0 fully transparent, 1 red, 2 blue; the rows 0 1 2 / 2 1 0.
    const Bytes png = Png({Ihdr(3, 2, 8, 3), Chunk("PLTE", {0, 0, 0, 255, 0, 0, 0, 0, 255}),
                           Chunk("tRNS", {0}), Idat(Rows({0, 1, 2, 2, 1, 0}, 3))});
    TSprite s(7, true, nullptr, nullptr, nullptr);
    ASSERT_TRUE(s.Load(Write("key.png", std::string(png.begin(), png.end()))));
    EXPECT_EQ(s.GetKind(), TSprite::kOpaque);
    const uint32_t red = 0x0000FF, blue = 0xFF0000;
    for (bool mirrored : {false, true}) {
        auto target = NewTarget(3, 2);
        s.SetBasePoint(7, 0, 0);
        s.SetMirrored(mirrored);
        s.DrawTo(*target);
        const uint32_t want[2][3] = {{kGround, red, blue}, {blue, red, kGround}};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(target->Image().Pixel(x, y), want[y][mirrored ? 2 - x : x])
                    << x << "," << y << " " << mirrored;
    }
}

TEST_F(SpriteTest, JpegAndBitmapLoadOpaqueInThirtyTwoBits) {
    TSprite s(7, true, nullptr, nullptr, nullptr);
    QImage flat(12, 9, QImage::Format_RGB32);
    flat.fill(qRgb(200, 100, 50));
    ASSERT_TRUE(s.Load(Write("a.jpg", Encode(flat, "JPG", 95))));
    EXPECT_EQ(s.GetKind(), TSprite::kOpaque);
    EXPECT_EQ(s.Image().BitsPerPixel(), 32);
    EXPECT_EQ(s.Width(), 12);
    const uint32_t p = s.Image().Pixel(5, 5);
    EXPECT_NEAR(int(p & 0xFF), 200, 3);
    EXPECT_NEAR(int(p >> 16 & 0xFF), 50, 3);

    ASSERT_TRUE(s.Load(Write(
        "b.bmp", Encode(MakePicture(7, 5, false).convertToFormat(QImage::Format_RGB888), "BMP"))));
    EXPECT_EQ(s.Width(), 7);
    EXPECT_EQ(s.Image().BitsPerPixel(), 32);
    EXPECT_EQ(s.Image().Pixel(6, 4), PictureColour(6, 4));
    EXPECT_EQ(s.FileName(), folder.Str() + "b.bmp");
}

TEST_F(SpriteTest, ScrambledNameIsFoundUnscrambledOnceAndDecodedByItsRealExtension) {
    TyxWitch witch(0);
    witch.SetKey("velmor-test-key-0123456789");
    std::string bytes = Encode(MakePicture(4, 3, true), "PNG");
    witch.Decode(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
    const std::string path = Write("face.png" + witch.Extension(), bytes);
    TSprite s(7, true, &witch, nullptr, nullptr);
    ASSERT_TRUE(s.Load(path));
    EXPECT_EQ(s.GetKind(), TSprite::kAlpha);
    EXPECT_EQ(s.FileName(), path);
    EXPECT_EQ(s.Image().Pixel(3, 2), PictureColour(3, 2));
}

TEST_F(SpriteTest, UnknownMissingAndDamagedPicturesFailAndLeaveTheLayer) {
    TSprite s(7, true, nullptr, nullptr, nullptr);
    const std::string good = Encode(MakePicture(5, 4, true), "PNG");
    ASSERT_TRUE(s.Load(Write("ok.png", good)));
    s.SetVisible(true);

    const std::string jpeg = Encode(MakePicture(5, 4, false), "JPG");
    const std::string bmp = Encode(MakePicture(5, 4, false), "BMP");
    const std::string bad[][2] = {
        {"pic.gif", "GIF89a"},
        {"cut.png", good.substr(0, good.size() / 2)},
        {"noise.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, '\x55')},
        {"cut.jpg", jpeg.substr(0, 30)},
        {"noise.jpg", "\xFF\xD8\xFF garbage"},
        {"cut.bmp", bmp.substr(0, 40)},
        {"bad.vpp", std::string("vpp\0\x10\0\0\0", 8) + good.substr(0, 8) + good},
        {"short.vpp", "vp"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b[0]);
        EXPECT_FALSE(s.Load(Write(b[0], b[1])));
        EXPECT_EQ(s.FileName(), "");
        EXPECT_EQ(s.GetKind(), TSprite::kAlpha);
        EXPECT_EQ(s.Width(), 5);
        EXPECT_EQ(s.Image().Pixel(4, 3), PictureColour(4, 3));
        EXPECT_TRUE(s.Visible());
    }
    EXPECT_FALSE(s.Load(folder.Str() + "absent.png"));
    EXPECT_FALSE(s.Load(""));
}

TEST_F(SpriteTest, PicturesInAScrambledArchiveLoadThroughTheManager) {
    TyxWitch witch(0);
    witch.SetKey("archive-key");
    auto bytes = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
    const std::string good = Encode(MakePicture(6, 5, true), "PNG");
    QImage flat(4, 4, QImage::Format_RGB32);
    flat.fill(qRgb(10, 20, 30));
    const std::vector<TyxArchiveWriter::Member> members = {
        {"chara.png", bytes(good)},
        {"room.bmp", bytes(Encode(flat, "BMP"))},
        {"broken.png", bytes(good.substr(0, 60))},
    };
    std::string error;
    const std::string index = folder.Str() + "pics.bcl";
    ASSERT_TRUE(
        TyxArchiveWriter::Write(TyxArchiveWriter::Format::Bcl, index, members, &witch, error))
        << error;
    TyxBCLManager manager(&witch);
    ASSERT_TRUE(manager.AddArchive(index));

    TSprite s(7, true, &witch, nullptr, &manager);
    // Members are stored under their names with the scramble extension, as games name them.
    ASSERT_TRUE(s.Load("chara.png" + witch.Extension()));
    EXPECT_EQ(s.GetKind(), TSprite::kAlpha);
    EXPECT_EQ(s.Image().Pixel(5, 4), PictureColour(5, 4));
    EXPECT_EQ(s.Mask().Pixel(5, 4) & 0xFF, uint32_t(255 - PictureAlpha(5, 4)));
    ASSERT_TRUE(s.Load("room.bmp" + witch.Extension()));
    EXPECT_EQ(s.GetKind(), TSprite::kOpaque);
    EXPECT_EQ(s.Image().Pixel(0, 0), Bgr(10, 20, 30));
    EXPECT_FALSE(s.Load("broken.png" + witch.Extension()));
    EXPECT_EQ(s.FileName(), "");
    EXPECT_EQ(s.Image().Pixel(0, 0), Bgr(10, 20, 30));

    // What an author cannot guess goes to the error stream; a picture that is not there at
    // all says nothing there (its error record does).
    const struct {
        std::string name;
        const char* says;
    } refusals[] = {
        {"chara.png", "it is stored scrambled, and a scrambled file is found only under its scrambled "
                      "name chara.png.`a0"},
        {Write("odd.png", [&] {
             std::string odd = good;
             odd[25] = 1;  // no PNG colour type
             return odd;
         }()),
         "the decoder refuses it: Read Header(PNG): Error ColorType"},
        {"absent.png", nullptr},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.name);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(s.Load(r.name));
        const std::string said = testing::internal::GetCapturedStderr();
        if (r.says)
            EXPECT_NE(said.find("velmor: picture " + r.name + " not loaded: " + r.says),
                      std::string::npos)
                << said;
        else
            EXPECT_EQ(said, "");
    }
}

TEST_F(SpriteTest, BlankFillAndPlainGraphicDraws) {
    TSprite s(7, true, nullptr, nullptr, nullptr);
    s.CreateBlank(8, 6, 0x0000FF);
    EXPECT_EQ(s.GetKind(), TSprite::kOpaque);
    EXPECT_EQ(s.Image().Pixel(7, 5), 0x0000FFu);
    s.Fill(0x00FF00);
    EXPECT_EQ(s.FillColour(), 0x00FF00u);
    platform::Bitmap dot;
    dot.SetSize(2, 2);
    dot.Fill(0xABCDEF);
    s.DrawGraphic(dot, 7, 5);  // clipped to one pixel
    EXPECT_EQ(s.Image().Pixel(7, 5), 0xABCDEFu);
    EXPECT_EQ(s.Image().Pixel(6, 5), 0x00FF00u);
    TSprite big(7, true, nullptr, nullptr, nullptr);
    big.CreateBlank(2, 1, 0);
    big.Image().SetPixel(0, 0, 0x111111);
    big.Image().SetPixel(1, 0, 0x222222);
    s.StretchDrawSprite(big, {0, 0, 4, 2});
    EXPECT_EQ(s.Image().Pixel(1, 1), 0x111111u);
    EXPECT_EQ(s.Image().Pixel(3, 0), 0x222222u);
    platform::Bitmap copy;
    s.CopyTo(copy);
    EXPECT_EQ(copy.Pixel(7, 5), 0xABCDEFu);
}

}  // namespace
