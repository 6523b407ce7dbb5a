// The headless runner's frames are the game window's: a shot shows what the window shows at
// that moment, and taking shots changes nothing in the run.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include "platform/bitmap.h"
#include "tests/support/runner_process.h"
#include "tests/support/temp_folder.h"

namespace {

// Grey colours: the same whichever way the channels are ordered.
constexpr uint32_t kMenuBack = 0x202020, kButton = 0x606060, kLeftHalf = 0x404040,
                   kRightHalf = 0xA0A0A0;

class RunnerFramesTest : public ::testing::Test {
protected:
    // state: the system state's keys; read: the paragraphs an earlier run read.
    void Game(const std::string& script, const std::string& state, const std::string& read = "") {
        dir.WriteSjis("game.vsc",
                      "<velmor>\nStartScript=start.txt\n</velmor>\n"
                      "<Screen>\nWidth=160\nHeight=120\n</Screen>\n");
        dir.WriteSjis("game.vss", "<SystemState>\n" + state + "</SystemState>\n<Paragraph>\n" +
                                      read + "</Paragraph>\n");
        dir.WriteSjis("start.txt", script);
    }
    void Picture(const std::string& name, int w, int h, uint32_t colour, int split = -1,
                 uint32_t right = 0) {
        ASSERT_TRUE(WriteSplitPicture(dir.Str() + name, w, h, colour, split, right));
    }
    // The run's events; the status and standard error in the last two arguments.
    std::vector<QJsonObject> Play(const std::string& inputs, bool shots, int& status,
                                  std::string& err) {
        dir.WriteSjis("inputs.txt", inputs);
        QStringList args{"--inputs", QString::fromStdString(dir.Str() + "inputs.txt")};
        if (shots) args << "--shots" << QString::fromStdString(dir.Str() + "auto");
        args << QString::fromStdString(dir.Str() + "game.vsc");
        RunnerRun run = RunRunner(args, home.Str());
        status = run.status;
        err = run.err;
        return run.events;
    }
    uint32_t Pixel(const std::string& shot, int x, int y) {
        const QImage image(QString::fromStdString(dir.Str() + shot));
        return image.isNull() ? 0xDEADBEEF : image.pixel(x, y) & 0xFFFFFF;
    }
    TempFolder dir, home;
};

TEST_F(RunnerFramesTest, AShotShowsWhatTheWindowShows) {
    Picture("back.png", 160, 120, kMenuBack);
    Picture("a.png", 60, 20, kButton);
    Picture("wide.png", 400, 120, kLeftHalf, 200, kRightHalf);
    dir.WriteSjis("menu.ini",
                  "<ImageSelector>\nCount=1\nBackImage=back.png\n</ImageSelector>\n<Graphics>\n"
                  "a.png\n</Graphics>\n<Position>\n10,10\n</Position>\n<Paragraph>\n#a\n"
                  "</Paragraph>\n");
    // The scroll moves the wide picture from -120 to -240 in 1000 ms.
    Game(
        "#start\nhello\n:imageselect menu.ini\n%\n#a\nscroll\n*b wide.png\n*scroll right\n"
        "after\n%\n",
        "MessageAnimation=0\n");
    std::vector<int> after;
    for (bool shots : {false, true}) {
        SCOPED_TRACE(shots ? "with --shots" : "without");
        int status = 0;
        std::string err;
        const std::string at = dir.Str();
        const auto events =
            Play("confirm\nshot " + at + "menu.png\nclick 15 15\nconfirm\nwait 500\nshot " + at +
                     "mid.png\nwait 5000\n",
                 shots, status, err);
        ASSERT_EQ(status, 0) << err;
        // The menu after a message: not the message's frame flushed over it.
        EXPECT_EQ(Pixel("menu.png", 100, 100), kMenuBack);
        EXPECT_EQ(Pixel("menu.png", 15, 15), kButton);
        // Inside the scroll: the picture where it has got to, past its middle at x = 50.
        EXPECT_EQ(Pixel("mid.png", 50, 10), kRightHalf);
        EXPECT_EQ(Pixel("mid.png", 5, 10), kLeftHalf);
        // The scroll starts from the message's frame as the window showed it: no cross-fade
        // to the new picture comes first.
        for (const auto& e : events)
            if (e["event"].toString() == "message" && e["text"].toString() == "after")
                after.push_back(e["t"].toInt());
        ASSERT_EQ(after.size(), shots ? 2u : 1u);
        EXPECT_LT(after.back(), 1100);
    }
    EXPECT_EQ(after[0], after[1]);
}

TEST_F(RunnerFramesTest, SkipStoppingAtUnreadTextRevealsItAndShotsChangeNothing) {
    // The first paragraph was read in an earlier run; skip passes it and stops at the next.
    Game("#start\none\ntwo\n#fresh\nabcdefghijklmnopqrst\nfour\n%\n",
         "MessageAnimation=1\nMessageAnimationSpeed=10\n", "#start\n");
    std::vector<std::vector<std::pair<std::string, int>>> runs;
    for (bool shots : {false, true}) {
        SCOPED_TRACE(shots ? "with --shots" : "without");
        int status = 0;
        std::string err;
        const auto events = Play("menu m_ActMessSkip\nconfirm\nconfirm\n", shots, status, err);
        ASSERT_EQ(status, 0) << err;
        std::vector<std::pair<std::string, int>> messages;
        for (const auto& e : events)
            if (e["event"].toString() == "message")
                messages.emplace_back(e["text"].toString().toStdString(), e["t"].toInt());
        ASSERT_EQ(messages.size(), 4u);
        // Twenty characters at 10 ms: the confirm after the stop lands after the reveal.
        EXPECT_GE(messages[3].second - messages[2].second, 200);
        runs.push_back(messages);
    }
    EXPECT_EQ(runs[0], runs[1]);
}

}  // namespace
