// Shots taken by the headless runner while a transition is under way show it half done.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>

#include "tests/support/temp_folder.h"

TEST(EffectShotTest, AWaitEndingInsideAFadeCatchesItsMiddleFrame) {
    TempFolder dir, home;
    dir.WriteSjis("game.vsc",
                  "<velmor>\nStartScript=start.txt\n</velmor>\n"
                  "<Screen>\nWidth=160\nHeight=120\n</Screen>\n");
    dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n");
    // The blank white screen fades to black between the two messages.
    dir.WriteSjis("start.txt", "one\n*out fade\ntwo\n");
    dir.WriteBytes("inputs.txt", "confirm\nwait 400\nshot mid.png\nwait 2000\nshot end.png\n");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
    p.setProcessEnvironment(env);
    p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
            {"--inputs", QString::fromStdString(dir.Str() + "inputs.txt"), "--shots",
             QString::fromStdString(dir.Str()), QString::fromStdString(dir.Str() + "game.vsc")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    // The fade's fourth step (375 ms) is on screen at 400 ms: darker than white, not yet black.
    const int at = out.indexOf("mid.png");
    ASSERT_GT(at, 0);
    const int t = out.mid(out.lastIndexOf("{\"t\":", at) + 5).section(',', 0, 0).toInt();
    EXPECT_GE(t, 400);
    EXPECT_LT(t, 500);
    const QImage mid(QString::fromStdString(dir.Str() + "mid.png"));
    const QImage end(QString::fromStdString(dir.Str() + "end.png"));
    ASSERT_FALSE(mid.isNull());
    ASSERT_FALSE(end.isNull());
    const int grey = qRed(mid.pixel(4, 4));
    EXPECT_GT(grey, 16);
    EXPECT_LT(grey, 200);
    // The wait after the middle shot went on from there, past the end of the fade.
    EXPECT_TRUE(out.contains("{\"t\":" + QString::number(t + 2000) + ",\"event\":\"shot\""));
}
