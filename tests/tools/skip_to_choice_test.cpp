// Skipping on to the next choice (F3) through the runner: where it stops, effects and waits
// ending at once with the layers where they would have ended, and the skip command unchanged.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include "platform/bitmap.h"
#include "tests/support/runner_process.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint32_t kMenuBack = 0x202020, kButton = 0x606060, kLeftHalf = 0x404040,
                   kRightHalf = 0xA0A0A0;

// Read before: a scroll, a long wait and a fade stand between the first message and what
// follows; the ending of each row is appended.
const char* const kOpening =
    "#start\none\n*b wide.png\n*scroll right\n*wait 3000\ntwo\n*in fade\nthree\n";
const char* const kChoice = "*clrsel\n*addsel 行く #go\n*select\n#go\ngone\n%\n";

class SkipToChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        Picture("back.png", 160, 120, kMenuBack);
        Picture("a.png", 60, 20, kButton);
        Picture("wide.png", 400, 120, kLeftHalf, 200, kRightHalf);
        dir.WriteSjis("menu.ini",
                      "<ImageSelector>\nCount=1\nBackImage=back.png\n</ImageSelector>\n<Graphics>\n"
                      "a.png\n</Graphics>\n<Position>\n10,10\n</Position>\n<Paragraph>\n#a\n"
                      "</Paragraph>\n");
    }
    void Game(const std::string& ending, const std::string& state = "") {
        dir.WriteSjis("game.vsc",
                      "<velmor>\nStartScript=start.txt\n</velmor>\n"
                      "<Screen>\nWidth=160\nHeight=120\n</Screen>\n");
        dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n" + state +
                                      "</SystemState>\n<Paragraph>\n#start\n</Paragraph>\n");
        dir.WriteSjis("start.txt", kOpening + ending);
    }
    void Picture(const std::string& name, int w, int h, uint32_t colour, int split = -1,
                 uint32_t right = 0) {
        ASSERT_TRUE(WriteSplitPicture(dir.Str() + name, w, h, colour, split, right));
    }
    std::vector<QJsonObject> Play(const std::string& inputs, std::string& err) {
        dir.WriteSjis("inputs.txt", inputs);
        RunnerRun run = RunRunner({"--inputs", QString::fromStdString(dir.Str() + "inputs.txt"),
                                   QString::fromStdString(dir.Str() + "game.vsc")},
                                  home.Str());
        err = run.err;
        EXPECT_EQ(run.status, 0) << err;
        return run.events;
    }
    // The run as "message:TEXT", "choices", "mode:N", each with its time after "one".
    static std::vector<std::pair<std::string, int>> Story(const std::vector<QJsonObject>& events) {
        std::vector<std::pair<std::string, int>> out;
        int start = -1;
        for (const auto& e : events) {
            const QString kind = e["event"].toString();
            std::string what;
            if (kind == "message") what = "message:" + e["text"].toString().toStdString();
            if (kind == "choices") what = "choices";
            if (kind == "mode") what = "mode:" + std::to_string(e["mode"].toInt());
            if (what.empty()) continue;
            if (start < 0) start = e["t"].toInt();
            out.emplace_back(what, e["t"].toInt() - start);
        }
        return out;
    }
    TempFolder dir, home;
};

TEST_F(SkipToChoiceTest, StopsWhereTheStoryNeedsThePlayerWithEffectsEndedAtOnce) {
    struct Row {
        const char* name;
        std::string ending, state;
        std::vector<std::string> after;  // what follows "one", "two", "three"
    };
    const Row rows[] = {
        {"choice list", kChoice, "", {"mode:2", "choices"}},
        {"picture menu", ":imageselect menu.ini\n%\n#a\nthere\n%\n", "", {"mode:6"}},
        {"movie", "*avi none.avi\nfour\nfive\n%\n", "", {"mode:3", "mode:1", "message:four"}},
        {"unread text", std::string("#fresh\nfour\nfive\n") + kChoice, "", {"message:four"}},
        {"unread text it may skip",
         std::string("#fresh\nfour\nfive\n") + kChoice,
         "NoReadTextSkip=1\n",
         {"message:four", "message:five", "mode:2", "choices"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Game(row.ending, row.state);
        std::string err;
        const auto story = Story(Play("key F3\n", err));
        std::vector<std::string> expected{"message:one", "message:two", "message:three"};
        expected.insert(expected.end(), row.after.begin(), row.after.end());
        std::vector<std::string> seen;
        for (const auto& [what, t] : story) {
            seen.push_back(what);
            // The scroll, the wait and the fade took no time.
            EXPECT_EQ(t, 0) << what;
        }
        EXPECT_EQ(seen, expected);
    }
}

TEST_F(SkipToChoiceTest, LayersEndWhereTheEffectsWouldHaveLeftThem) {
    Game(kChoice);
    std::string err;
    const std::string at = dir.Str();
    Play("key F3\nshot " + at + "skipped.png\n", err);
    Play("confirm\nconfirm\nconfirm\nshot " + at + "played.png\n", err);
    const QImage skipped(QString::fromStdString(at + "skipped.png"));
    ASSERT_FALSE(skipped.isNull());
    EXPECT_EQ(skipped, QImage(QString::fromStdString(at + "played.png")));
    // The scroll's end shows through the message window: without it the frame differs.
    std::string opening = kOpening;
    opening.replace(opening.find("*scroll right"), 13, ";");
    dir.WriteSjis("start.txt", opening + kChoice);
    Play("key F3\nshot " + at + "unscrolled.png\n", err);
    EXPECT_NE(skipped, QImage(QString::fromStdString(at + "unscrolled.png")));
}

TEST_F(SkipToChoiceTest, TheSkipCommandStillPlaysEffectsAndWaits) {
    Game(kChoice);
    std::string err;
    const auto story = Story(Play("menu m_ActMessSkip\n", err));
    ASSERT_EQ(story.size(), 5u);
    EXPECT_EQ(story[4].first, "choices");
    // Scroll 1000 (in whole steps), wait 3000, fade 1000.
    EXPECT_GE(story[4].second, 4900);
}

TEST_F(SkipToChoiceTest, EveryKeyTheWindowBindsAndTheWheelAreInputs) {
    Game(":imageselect menu.ini\n%\n#a\nthere\n%\n");
    std::string err;
    // Keys the window leaves unused do nothing and end the skip like any input.
    const auto story = Story(
        Play("key F3\nkey F6\nkey F7\nkey Backspace\nkey F2\nkey F10\nkey Home\nwheel up 15 15\n"
             "wheel up\nwheel down 15 15\n",
             err));
    EXPECT_EQ(err.find("unknown key"), std::string::npos) << err;
    EXPECT_EQ(err.find("ignored input"), std::string::npos) << err;
    // Only the wheel turned towards the player clicks: the menu's button.
    ASSERT_GE(story.size(), 2u);
    EXPECT_EQ(story[story.size() - 2].first, "mode:1");
    EXPECT_EQ(story.back().first, "message:there");
}

}  // namespace
