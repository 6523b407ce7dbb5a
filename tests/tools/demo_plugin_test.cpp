// The demo's lighthouse mini game through the headless runner: clicks on the plug-in's lit
// windows win it, and the story goes on to the ending that follows a win; the shots show what
// the plug-in drew. (Losing, by letting the time run out, is in the golden transcripts.)
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>

#include "tests/support/temp_folder.h"

namespace {

TEST(DemoPlugin, ClicksOnTheLitWindowsWinTheMiniGame) {
    TempFolder home, shots;
    // To the choice, the storm, its two messages and the click wait between them; then inside
    // the plug-in's mode, where inputs go in right after a wait.
    std::string inputs;
    // The morning's messages, the map day (the beach, its message, the lighthouse), the
    // evening's messages, the storm in the picture menu by keys, the storm's messages.
    for (int i = 0; i < 8; ++i) inputs += "confirm\n";
    inputs += "click 520 450\nconfirm\nclick 190 230\n";
    for (int i = 0; i < 4; ++i) inputs += "confirm\n";
    inputs += "code 7\ncode 6\ncode 1\nconfirm\nconfirm\nconfirm\n";
    inputs += "wait 1000\nshot " + shots.Str() + "before.png\n";
    inputs += "move 376 190\nclick 376 190\nwait 500\nmove 500 500\nclick 424 310\nwait 300\n";
    inputs += "shot " + shots.Str() + "two.png\nclick 376 430\nwait 10\n";
    home.WriteBytes("inputs.txt", inputs);

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
    p.setProcessEnvironment(env);
    p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
            {"--auto", "--inputs", QString::fromStdString(home.Str() + "inputs.txt"),
             QString(VELMOR_BINARY_DIR) + "/demo-game/demo.vsc"});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::vector<int> modes;
    std::vector<std::string> messages, jumps;
    QJsonObject end;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        if (line.isEmpty()) continue;
        const QJsonObject e = QJsonDocument::fromJson(line).object();
        const QString kind = e["event"].toString();
        if (kind == "mode") modes.push_back(e["mode"].toInt());
        if (kind == "message") messages.push_back(e["text"].toString().toStdString());
        if (kind == "jump") jumps.push_back(e["paragraph"].toString().toStdString());
        if (kind == "end") end = e;
    }
    // The plug-in mode came and went once, by the way back to the next line, not to "#dark".
    ASSERT_GE(modes.size(), 2u);
    EXPECT_EQ(std::count(modes.begin(), modes.end(), 8), 1);
    EXPECT_EQ(std::find(jumps.begin(), jumps.end(), "#dark"), jumps.end());
    EXPECT_NE(std::find(messages.begin(), messages.end(), "灯りは朝まで消えなかった。"),
              messages.end());
    EXPECT_EQ(end["reason"].toString(), "scenario-end");
    EXPECT_EQ(end["variables"].toObject()["lamps"].toInt(), 3);
    EXPECT_EQ(end["variables"].toObject()["lamp_win"].toInt(), 1);

    // Before: the three lit windows burn amber, the others are dark; after two clicks, those
    // two are saved (pale) and the third still burns.
    const QImage before(QString::fromStdString(shots.Str() + "before.png"));
    const QImage two(QString::fromStdString(shots.Str() + "two.png"));
    ASSERT_FALSE(before.isNull());
    ASSERT_FALSE(two.isNull());
    auto rgb = [](const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; };
    const QRgb lit1 = rgb(before, 376, 190), dark = rgb(before, 424, 190);
    EXPECT_GT(qRed(lit1), 200);
    EXPECT_LT(qBlue(lit1), 40);
    EXPECT_LT(qRed(dark), 100);
    EXPECT_EQ(rgb(two, 376, 190), 0xFFFFC0u);
    EXPECT_EQ(rgb(two, 424, 310), 0xFFFFC0u);
    EXPECT_EQ(rgb(two, 376, 430) & 0xFF, 0u);  // still burning: no blue
    EXPECT_GT(qRed(rgb(two, 376, 430)), 0);
}

}  // namespace
