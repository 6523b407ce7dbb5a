// The snapshot dialog driven by the runner's `snapshot` input: the scene without its message
// window, as JPEG and as a 24-bit bitmap, with and without the standing character.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include "platform/bitmap.h"
#include "platform/file_system.h"
#include "platform/picture_writer.h"
#include "tests/support/temp_folder.h"

namespace {

void Picture(const TempFolder& dir, const std::string& name, int w, int h, uint32_t colour) {
    platform::Bitmap b;
    b.SetSize(w, h);
    b.Fill(colour);
    ASSERT_TRUE(platform::PictureWriter::SaveBmp24(b, platform::FileSystem::FromHostPath(dir.Str() + name)));
}

TEST(SnapshotRunnerTest, TheRunnerSavesTheSceneAsJpegAndBitmap) {
    TempFolder dir, home;
    dir.WriteSjis("game.vsc",
                  "<velmor>\nStartScript=start.txt\nProduct=灯台\n</velmor>\n<Screen>\nWidth=160\n"
                  "Height=120\n</Screen>\n");
    Picture(dir, "bg.bmp", 160, 120, 0xFF0000);   // blue
    Picture(dir, "face.bmp", 40, 40, 0x00FF00);   // green
    dir.WriteSjis("start.txt", "#start\n*b bg.bmp\n*f face.bmp\nこんにちは\n");
    dir.WriteBytes("inputs.txt",
                   "snapshot jpeg " + dir.Str() + "a.JPEG quality 0\n"
                   "snapshot bmp " + dir.Str() + "b noface\n");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
    p.setProcessEnvironment(env);
    p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
            {"--inputs", QString::fromStdString(dir.Str() + "inputs.txt"),
             QString::fromStdString(dir.Str() + "game.vsc")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::vector<std::string> saved;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QJsonObject e = QJsonDocument::fromJson(line).object();
        if (e["event"].toString() == "box") saved.push_back(e["text"].toString().toStdString());
    }
    EXPECT_EQ(saved, (std::vector<std::string>{dir.Str() + "a.JPEG に保存しました",
                                               dir.Str() + "b.bmp に保存しました"}));
    const QImage jpeg(QString::fromStdString(dir.Str() + "a.JPEG"), "JPG");
    ASSERT_FALSE(jpeg.isNull());
    EXPECT_EQ(jpeg.size(), QSize(160, 120));
    const QImage bmp(QString::fromStdString(dir.Str() + "b.bmp"), "BMP");
    ASSERT_FALSE(bmp.isNull());
    auto greens = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += qGreen(image.pixel(x, y)) > 200 && qBlue(image.pixel(x, y)) < 60;
        return n;
    };
    // The face is in the JPEG; the bitmap has the background alone, and neither has the
    // message window.
    EXPECT_GT(greens(jpeg), 1000);
    EXPECT_EQ(greens(bmp), 0);
    for (QPoint at : {QPoint(80, 60), QPoint(5, 115), QPoint(150, 100)})
        EXPECT_EQ(bmp.pixel(at), qRgb(0, 0, 255)) << at.x() << "," << at.y();
}

}  // namespace
