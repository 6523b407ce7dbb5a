// The picture menu and the warp map played by the headless runner: by pointer, by keys and
// unattended, into the paragraphs they lead to, with the map's variables at the end.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>

#include "platform/bitmap.h"
#include "tests/support/temp_folder.h"

namespace {

struct Played {
    int status = -1;
    std::string err;
    std::vector<QJsonObject> events;
    std::vector<std::string> Of(const char* event, const char* field) const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e["event"].toString() == event) out.push_back(e[field].toString().toStdString());
        return out;
    }
};

class ExtraModesRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.WriteSjis("game.vsc", "<velmor>\nStartScript=start.txt\n</velmor>\n"
                                  "<Screen>\nWidth=160\nHeight=120\n</Screen>\n");
        dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n");
        Picture("back.png", 160, 120, 0x202020);
        Picture("a.png", 60, 20, 0x0000C0);
        Picture("a_on.png", 60, 20, 0x00C0FF);
        // Map pictures: the bottom-left pixel gives the colour drawn transparent.
        Picture("chip.png", 20, 20, 0x00A000, 0xFF00FF);
        Picture("mark.png", 8, 8, 0xFFFFFF, 0xFF00FF);
        dir.WriteSjis("menu.ini",
                      "<ImageSelector>\nCount=2\nBackImage=back.png\nOnMouseSound=se.wav\n"
                      "</ImageSelector>\n<Graphics>\na.png,,a_on.png\na.png,,a_on.png\n"
                      "</Graphics>\n<Position>\n10,10\n10,60\n</Position>\n<Paragraph>\n#left\n"
                      "#right\n</Paragraph>\n");
        // Two places; at the second place on the first move there is an event.
        dir.WriteSjis("map.ini",
                      "<image>\nBackImage=back.png\nEntryX=10\nEntryY=10\n</image>\n<game>\n"
                      "DayMax=1\nTimeMax=2\n</game>\n<anime>\nmark.png\nchip.png\n</anime>\n"
                      "<mapchip>\nchip.png\nchip.png\n</mapchip>\n<drawpoint>\n20,50\n120,50\n"
                      "</drawpoint>\n<dayend>\nstart.txt,#night\n</dayend>\n<flag>\n,,,,,,,\n"
                      "shell,start.txt,,#shell,,,,\n</flag>\n");
        dir.WriteSjis("start.txt",
                      "#start\n:imageselect menu.ini\n%\n#left\n左\n:warpmap map.ini p d t\n%\n"
                      "#right\n右\n%\n#shell\n貝\n:warpmap map.ini p d t\n%\n#night\n夜\n%\n");
    }
    void Picture(const std::string& name, int w, int h, uint32_t colour, int64_t corner = -1) {
        platform::Bitmap b;
        b.SetFormat(w, h, 32);
        b.Fill(colour);
        if (corner >= 0) b.SetPixel(0, h - 1, static_cast<uint32_t>(corner));
        ASSERT_TRUE(b.SavePng(dir.Str() + name));
    }
    Played Play(QStringList args, const std::string& inputs = "") {
        if (!inputs.empty()) {
            dir.WriteSjis("inputs.txt", inputs);
            args << "--inputs" << QString::fromStdString(dir.Str() + "inputs.txt");
        }
        args << QString::fromStdString(dir.Str() + "game.vsc");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
        p.setProcessEnvironment(env);
        p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless", args);
        Played run;
        if (!p.waitForFinished(120000)) return run;
        run.status = p.exitCode();
        run.err = p.readAllStandardError().toStdString();
        for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
            if (!line.isEmpty()) run.events.push_back(QJsonDocument::fromJson(line).object());
        return run;
    }
    TempFolder dir, home;
};

TEST_F(ExtraModesRunnerTest, AMenuTakesThePointerKeysAndTheAutoChoices) {
    struct Case {
        const char* name;
        QStringList args;
        std::string inputs;
        const char* first;
    } cases[] = {
        {"pointer", {}, "move 15 65\nshot " + dir.Str() + "lit.png\nclick 15 65\n", "右"},
        {"keys", {}, "key Down\nkey Down\nkey Up\nkey Enter\n", "左"},
        {"auto", {"--auto", "--choices", "1"}, "", "右"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Played run = Play(c.args, c.inputs);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto messages = run.Of("message", "text");
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages[0], c.first);
        bool menuShown = false;
        for (const auto& e : run.events)
            menuShown = menuShown || (e["event"].toString() == "mode" && e["mode"].toInt() == 6);
        EXPECT_TRUE(menuShown);
    }
    // The pointer lit the second button, and its sound played once.
    QImage shot(QString::fromStdString(dir.Str() + "lit.png"));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.pixel(15, 65) & 0xFFFFFF, 0xFFC000u);  // 0x00C0FF as red-low
    EXPECT_EQ(shot.pixel(15, 15) & 0xFFFFFF, 0xC00000u);
}

TEST_F(ExtraModesRunnerTest, AMapDayPlaysToItsEventAndItsEnd) {
    const Played run = Play({"--auto", "--shots", QString::fromStdString(dir.Str() + "shots")},
                         "confirm\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Of("message", "text"), (std::vector<std::string>{"左", "貝", "夜"}));
    const std::vector<std::string> paragraphs = run.Of("jump", "paragraph");
    EXPECT_EQ(paragraphs, (std::vector<std::string>{"#left", "#shell", "#night"}));
    const QJsonObject end = run.events.back();
    EXPECT_EQ(end["reason"].toString(), "scenario-end");
    const QJsonObject vars = end["variables"].toObject();
    EXPECT_EQ(vars["p"].toInt(), 0);
    EXPECT_EQ(vars["d"].toInt(), 0);
    EXPECT_EQ(vars["t"].toInt(), 1);
    EXPECT_EQ(vars["shell"].toInt(), 1);
    // A shot of the map waiting: the marker stands on the first place, the second shows.
    bool marker = false;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path() / "shots")) {
        QImage shot(QString::fromStdString(entry.path().string()));
        if (!shot.isNull() && (shot.pixel(31, 53) & 0xFFFFFF) == 0xFFFFFF &&
            (shot.pixel(125, 55) & 0xFFFFFF) == 0x00A000)
            marker = true;
    }
    EXPECT_TRUE(marker);
}

}  // namespace
