// The built resource library, read through the loader the engine uses.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/file_system.h"
#include "platform/image_list.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/memory_stream.h"
#include "resources/sjis_text.h"

namespace {

const std::string kLibraryHost = VELMOR_BINARY_DIR "/bin/VELMORRC.DLL";
constexpr uint32_t kPurple = 0x800080;

std::string LibraryPath() { return platform::FileSystem::FromHostPath(kLibraryHost); }

const std::vector<std::string> kMenuPictures = {
    "IDB_MI_MESSWINDOW", "IDB_MI_SKIP", "IDB_MI_AUTOPLAY", "IDB_MI_SAVE",   "IDB_MI_RETURN",
    "IDB_MI_OPTION",     "IDB_MI_LOG",  "IDB_MI_SNAP",     "IDB_MI_EXIT",   "IDB_MI_NEW",
    "IDB_MI_LOAD",       "IDB_MI_DELETE", "IDB_MI_EJECT",  "IDB_MI_REWRITE"};

std::vector<std::string> PlainBitmaps() {
    std::vector<std::string> names = {"IDB_KABEGAMI",          "IDB_IMAGEBUTTON_OK0",  "IDB_IMAGEBUTTON_CANCEL0",
                                      "IDB_IMAGEBUTTON_OK1",   "IDB_IMAGEBUTTON_CANCEL1", "IDB_CGMODE_BACK",
                                      "IDB_CGMODE_NEVERSEEN",  "IDB_VELMOR_TITLE"};
    for (int i = 0; i < 8; ++i) {
        names.push_back("IDB_SANDSTORM_B" + std::to_string(i));
        names.push_back("IDB_SANDSTORM_W" + std::to_string(i));
    }
    return names;
}

QByteArray Resource(TyxDllRes& res, const std::string& name, const std::string& type) {
    TMemoryStream stream;
    if (!res.LoadResourceStream(stream, name, type)) return {};
    EXPECT_EQ(stream.Position(), 0u);
    return QByteArray(reinterpret_cast<const char*>(stream.Data()), static_cast<qsizetype>(stream.Size()));
}

uint32_t ReadU32(const QByteArray& b, int at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
}

class ResourceLibraryTest : public ::testing::Test {
protected:
    TyxDllRes m_Res{LibraryPath(), true};
};

}  // namespace

TEST_F(ResourceLibraryTest, EveryBitmapIsDeliveredWithSensibleContent) {
    for (const std::string& name : PlainBitmaps()) {
        platform::Bitmap bitmap;
        ASSERT_TRUE(m_Res.LoadBitmap(bitmap, name)) << name;
        EXPECT_FALSE(bitmap.Empty()) << name;
    }
    platform::Bitmap back, placeholder;
    ASSERT_TRUE(m_Res.LoadBitmap(back, "IDB_CGMODE_BACK"));
    EXPECT_EQ(back.Width(), 800);
    EXPECT_EQ(back.Height(), 600);
    ASSERT_TRUE(m_Res.LoadBitmap(placeholder, "IDB_CGMODE_NEVERSEEN"));
    EXPECT_EQ(placeholder.Width(), 160);  // the default thumbnail cell
    EXPECT_EQ(placeholder.Height(), 120);
}

TEST_F(ResourceLibraryTest, MenuPicturesHaveAPurpleGroundAndAMaskFromIt) {
    platform::ImageList list;
    for (const std::string& name : kMenuPictures) {
        platform::Bitmap bitmap;
        ASSERT_TRUE(m_Res.LoadBitmap(bitmap, name)) << name;
        EXPECT_EQ(bitmap.Width(), 16) << name;
        EXPECT_EQ(bitmap.Height(), 16) << name;
        int purple = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) purple += bitmap.Pixel(x, y) == kPurple;
        EXPECT_GT(purple, 16) << name << ": background is transparent purple";
        EXPECT_LT(purple, 16 * 16 - 30) << name << ": something is drawn";

        ASSERT_TRUE(m_Res.AddMasked(list, name, kPurple)) << name;
        const auto& entry = list.At(list.Count() - 1);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const bool transparent = bitmap.Pixel(x, y) == kPurple;
                EXPECT_EQ(entry.mask.Pixel(x, y), transparent ? 0xFFFFFFu : 0u) << name;
                if (transparent) EXPECT_EQ(entry.picture.Pixel(x, y), 0u) << name;
                else EXPECT_EQ(entry.picture.Pixel(x, y), bitmap.Pixel(x, y)) << name;
            }
        }
    }
    EXPECT_EQ(list.Count(), static_cast<int>(kMenuPictures.size()));
    EXPECT_FALSE(m_Res.AddMasked(list, "IDB_MI_NOSUCH", kPurple));
    EXPECT_EQ(list.Count(), static_cast<int>(kMenuPictures.size()));
}

TEST_F(ResourceLibraryTest, SandPatternsFormAShrinkingChainWithExactComplements) {
    std::vector<platform::Bitmap> b(8), w(8);
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(m_Res.LoadBitmap(b[i], "IDB_SANDSTORM_B" + std::to_string(i)));
        ASSERT_TRUE(m_Res.LoadBitmap(w[i], "IDB_SANDSTORM_W" + std::to_string(i)));
        ASSERT_EQ(b[i].Width(), 8);
        ASSERT_EQ(b[i].Height(), 8);
        ASSERT_EQ(w[i].Width(), 8);
        ASSERT_EQ(w[i].Height(), 8);
    }
    std::vector<int> kept(8, 0);
    for (int i = 0; i < 8; ++i) {
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const uint32_t bp = b[i].Pixel(x, y);
                ASSERT_TRUE(bp == 0xFFFFFF || bp == 0) << "B" << i << " is pure black and white";
                EXPECT_EQ(w[i].Pixel(x, y), bp ^ 0xFFFFFFu) << "W" << i << " complements B" << i;
                kept[i] += bp == 0xFFFFFF;
                if (i > 0 && bp == 0xFFFFFF) {
                    EXPECT_EQ(b[i - 1].Pixel(x, y), 0xFFFFFFu) << "B" << i << " keeps a subset of B" << i - 1;
                }
            }
        }
    }
    EXPECT_EQ(kept[0], 64);
    EXPECT_EQ(kept[7], 0);
    for (int i = 1; i < 8; ++i) EXPECT_LT(kept[i], kept[i - 1]) << "every step removes pixels";
}

TEST_F(ResourceLibraryTest, MessageWindowIsATranslucentPng) {
    const QByteArray png = Resource(m_Res, "IDP_WINDOW_MESSAGE", "PNG");
    ASSERT_FALSE(png.isEmpty());
    QImage image;
    ASSERT_TRUE(image.loadFromData(png, "PNG"));
    EXPECT_TRUE(image.hasAlphaChannel());
    EXPECT_GE(image.width(), 700);
    EXPECT_LE(image.width(), 800);
    EXPECT_GE(image.height(), 100);
    EXPECT_LE(image.height(), 200);
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int centre = qAlpha(argb.pixel(argb.width() / 2, argb.height() / 2));
    EXPECT_GT(centre, 0);
    EXPECT_LT(centre, 255);
    EXPECT_EQ(qAlpha(argb.pixel(0, 0)), 0) << "rounded corners are clear";
}

TEST_F(ResourceLibraryTest, GalleryButtonsAreMaskedContainers) {
    for (const char* kind : {"EXIT", "PREV", "NEXT"}) {
        QSize size;
        for (int pressed = 0; pressed < 2; ++pressed) {
            const std::string name = std::string("IDR_CGMODE_BUTTON_") + kind + std::to_string(pressed);
            const QByteArray vpp = Resource(m_Res, name, "VPP");
            ASSERT_GT(vpp.size(), 8) << name;
            EXPECT_EQ(vpp.left(3), QByteArray("vpp")) << name;
            const uint32_t l = ReadU32(vpp, 4);
            ASSERT_GT(l, 8u) << name;
            ASSERT_LT(l, static_cast<uint32_t>(vpp.size())) << name;
            QImage mask, picture;
            ASSERT_TRUE(mask.loadFromData(vpp.mid(8, static_cast<qsizetype>(l) - 8), "PNG")) << name;
            ASSERT_TRUE(picture.loadFromData(vpp.mid(static_cast<qsizetype>(l)), "PNG")) << name;
            ASSERT_EQ(mask.size(), picture.size()) << name;
            if (pressed == 0) size = mask.size();
            EXPECT_EQ(mask.size(), size) << "pressed and normal pictures share a size";
            int opaque = 0, clear = 0;
            for (int y = 0; y < mask.height(); ++y) {
                for (int x = 0; x < mask.width(); ++x) {
                    const QRgb m = mask.pixel(x, y) & 0xFFFFFF;
                    ASSERT_TRUE(m == 0 || m == 0xFFFFFF) << name << " mask is black and white";
                    if (m == 0xFFFFFF) {
                        ++clear;
                        EXPECT_EQ(picture.pixel(x, y) & 0xFFFFFF, 0u) << name << " is black where transparent";
                    } else {
                        ++opaque;
                    }
                }
            }
            EXPECT_GT(opaque, clear) << name;
            EXPECT_GT(clear, 0) << name << " has rounded, transparent corners";
        }
    }
}

TEST_F(ResourceLibraryTest, AboutDocumentIsRichText) {
    const QByteArray rtf = Resource(m_Res, "IDR_VELMOR_COPYRIGHT_DOC", "RICHTEXT");
    ASSERT_FALSE(rtf.isEmpty());
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_TRUE(rtf.trimmed().endsWith('}'));
    EXPECT_EQ(rtf.count('{'), rtf.count('}'));
    EXPECT_TRUE(rtf.contains("velmor"));
}

TEST_F(ResourceLibraryTest, NamesAndTypesIgnoreAsciiCase) {
    platform::Bitmap bitmap;
    EXPECT_TRUE(m_Res.LoadBitmap(bitmap, "idb_kabegami"));
    EXPECT_FALSE(Resource(m_Res, "idp_window_message", "png").isEmpty());
    EXPECT_FALSE(Resource(m_Res, "IDR_CGMODE_BUTTON_EXIT0", "vpp").isEmpty());
}

TEST_F(ResourceLibraryTest, MissingResourcesReportFalseAndChangeNothing) {
    platform::Bitmap bitmap;
    bitmap.SetSize(3, 2);
    bitmap.Fill(0x123456);
    EXPECT_FALSE(m_Res.LoadBitmap(bitmap, "IDB_NOSUCHPICTURE"));
    // A typed resource is not a bitmap, even under its own name.
    EXPECT_FALSE(m_Res.LoadBitmap(bitmap, "IDP_WINDOW_MESSAGE"));
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.Pixel(2, 1), 0x123456u);

    TMemoryStream stream;
    stream.Write("ab", 2);
    EXPECT_FALSE(m_Res.LoadResourceStream(stream, "IDP_NOSUCH", "PNG"));
    EXPECT_FALSE(m_Res.LoadResourceStream(stream, "IDB_KABEGAMI", "PNG"));
    EXPECT_EQ(stream.Size(), 2u);
    EXPECT_EQ(stream.Position(), 2u);
}

TEST_F(ResourceLibraryTest, StreamBytesGoInAtThePositionAndRewind) {
    TMemoryStream stream;
    stream.Write("head", 4);
    ASSERT_TRUE(m_Res.LoadResourceStream(stream, "IDP_WINDOW_MESSAGE", "PNG"));
    EXPECT_EQ(stream.Position(), 0u);
    ASSERT_GT(stream.Size(), 12u);
    EXPECT_EQ(std::memcmp(stream.Data(), "head\x89PNG", 8), 0);
}

TEST(DllResTest, MissingLibraryFileRaisesItsMessage) {
    const std::string name = LibraryPath() + ".missing";
    try {
        TyxDllRes res(name, true);
        FAIL() << "no error raised";
    } catch (const EEngineError& e) {
        EXPECT_EQ(e.Text(), SJ("必要なDLLファイル ") + name + SJ(" が見つかりません"));
    }
    EXPECT_THROW(TyxDllRes(name, false), EEngineError);
}

TEST(DllResTest, FileThatIsNoLibrary) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string host = dir.filePath("BROKEN.DLL").toStdString();
    std::ofstream(host, std::ios::binary) << "MZ this is not a shared object";
    const std::string name = platform::FileSystem::FromHostPath(host);
    try {
        TyxDllRes res(name, true);
        FAIL() << "no error raised";
    } catch (const EEngineError& e) {
        EXPECT_EQ(e.Text(), SJ("DLLファイル ") + name + SJ(" がロードできません"));
    }
    // Loaded on demand, the same file only makes every load fail.
    TyxDllRes lazy(name, false);
    platform::Bitmap bitmap;
    EXPECT_FALSE(lazy.LoadBitmap(bitmap, "IDB_KABEGAMI"));
    TMemoryStream stream;
    EXPECT_FALSE(lazy.LoadResourceStream(stream, "IDP_WINDOW_MESSAGE", "PNG"));
    EXPECT_TRUE(bitmap.Empty());
}

TEST(DllResTest, OnDemandLibraryServesRepeatedLoads) {
    TyxDllRes res(LibraryPath(), false);
    for (int i = 0; i < 3; ++i) {
        platform::Bitmap bitmap;
        EXPECT_TRUE(res.LoadBitmap(bitmap, "IDB_SANDSTORM_B3"));
        TMemoryStream stream;
        EXPECT_TRUE(res.LoadResourceStream(stream, "IDR_VELMOR_COPYRIGHT_DOC", "RICHTEXT"));
    }
}

TEST(BitmapBmpTest, CorruptBitmapBytesAreRejected) {
    TyxDllRes res(LibraryPath(), true);
    platform::Bitmap good;
    ASSERT_TRUE(res.LoadBitmap(good, "IDB_IMAGEBUTTON_OK0"));
    // Rebuild its file bytes from a known layout and then damage them.
    std::vector<uint8_t> bmp = {'B', 'M'};
    bmp.resize(54, 0);
    bmp[10] = 54;
    bmp[14] = 40;
    bmp[18] = 2;   // width
    bmp[22] = 2;   // height
    bmp[26] = 1;   // planes
    bmp[28] = 24;  // bits
    bmp.resize(54 + 16, 0x7F);
    platform::Bitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromBmp(bmp.data(), bmp.size()));
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Pixel(0, 0), 0x7F7F7Fu);

    platform::Bitmap kept = good;
    auto rejects = [&](std::vector<uint8_t> bytes) {
        EXPECT_FALSE(kept.LoadFromBmp(bytes.data(), bytes.size()));
        EXPECT_EQ(kept.Width(), good.Width());
    };
    rejects({});
    rejects({'B', 'M'});
    std::vector<uint8_t> magic = bmp;
    magic[0] = 'X';
    rejects(magic);
    std::vector<uint8_t> offset = bmp;
    offset[12] = 0x10;  // pixel data beyond the end
    rejects(offset);
    std::vector<uint8_t> huge = bmp;
    huge[20] = 0x7F;  // width far larger than the bytes given
    rejects(huge);
    std::vector<uint8_t> wide = bmp;
    wide[18] = 100;  // plausible width, but the rows are not all there
    rejects(wide);
    std::vector<uint8_t> depth = bmp;
    depth[28] = 7;
    rejects(depth);
    EXPECT_FALSE(kept.LoadFromEncoded(bmp.data(), 20));
}

TEST(ResourceGeneratorTest, DrawsTheSameBytesEveryRun) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString generator = QStringLiteral(VELMOR_BINARY_DIR "/bin/velmor-rcgen");
    QByteArray outputs[2];
    for (int run = 0; run < 2; ++run) {
        const QString out = dir.filePath(QStringLiteral("out%1.cpp").arg(run));
        QProcess process;
        process.start(generator, {out});
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        outputs[run] = file.readAll();
    }
    EXPECT_FALSE(outputs[0].isEmpty());
    EXPECT_TRUE(outputs[0] == outputs[1]);
}
