// The scene list: which EventList lines make entries, what a click on a reached scene starts,
// how a scene without a picture name is drawn, and its construction error.
#include "modes/event_mode.h"

#include <gtest/gtest.h>

#include "gallery_fixture.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"

namespace {

class EventModeTest : public ::testing::Test, public GalleryFixture {
protected:
    std::unique_ptr<TEventMode> Make(const std::string& grid, const std::string& entries) {
        const std::string text = "<EventMode>\n" + grid + "</EventMode>\n<Image>\nBackground=" +
                                 Picture("bg.png", 640, 480, 0x203040) +
                                 "\n</Image>\n<EventList>\n" + entries + "</EventList>\n";
        auto mode =
            std::make_unique<TEventMode>(Description("ev.ini", text), seen, screen, Services());
        mode->OnStart = [this](const std::string& paragraph, const std::string& script) {
            started.push_back(paragraph + "|" + script);
        };
        return mode;
    }
    TStringList seen;
    TStringList started;
};

TEST_F(EventModeTest, LinesOfTwoOrThreeItemsAreScenes) {
    const std::string a = Picture("a.png", 160, 120, 0x0000AA);
    auto mode = Make("", a + ",#one,one.txt\n" +  // three items
                             "b.png,#two\n" +     // two: the present script
                             "lonely\n" +         // one: skipped
                             "\n" +               // none
                             "c.png,#three,three.txt,more\n");
    ASSERT_EQ(mode->EntryCount(), 3u);
    EXPECT_EQ(mode->Scripts(), (TStringList{"one.txt", "", "three.txt"}));
    EXPECT_EQ(mode->Paragraphs(), (TStringList{"#one", "#two", "#three"}));
    seen = {"B.PNG", "c.png", "lonely"};  // reached by another letter case too
    mode->Enter();
    mode->Redraw();
    EXPECT_FALSE(mode->Seen(0));
    EXPECT_TRUE(mode->Seen(1));
    EXPECT_TRUE(mode->Seen(2));
    mode->Click(70, 30);   // not reached
    mode->Click(250, 30);  // reached
    mode->Click(430, 30);
    EXPECT_EQ(started, (TStringList{"#two|", "#three|three.txt"}));
    // A scene starts; no picture is opened in its place.
    EXPECT_EQ(At(430, 30), 0x203040u);
}

TEST_F(EventModeTest, ClickInRowOneColumnZeroAtFourByTwoStartsEntryFour) {
    std::string lines;
    for (int k = 0; k < 10; ++k) {
        lines += "s" + std::to_string(k) + ",#p" + std::to_string(k) + ",f.txt\n";
        seen.push_back("s" + std::to_string(k));
    }
    auto mode = Make("ImageCount=4,2\n", lines);
    int left = 0;
    mode->OnLeave = [&] { ++left; };
    mode->Enter();
    mode->Redraw();
    mode->Click(60 + 159, 20 + 130 + 119);
    EXPECT_EQ(started, (TStringList{"#p4|f.txt"}));
    mode->Click(540, 420);
    EXPECT_EQ(mode->Page(), 1);
    mode->Click(60, 20);
    EXPECT_EQ(started.back(), "#p8|f.txt");
    mode->Click(60, 420);
    EXPECT_EQ(left, 1);
}

TEST_F(EventModeTest, AScenelessEntryDrawsItsParagraphNameScaled) {
    const std::string para = Picture("para.png", 40, 30, 0x336699);
    auto mode = Make("ThumbnailSize=80,60\n", "," + para + ",x.txt\n");
    seen = {""};
    mode->Enter();
    mode->Redraw();
    EXPECT_EQ(At(60, 20), 0x336699u);
    EXPECT_EQ(At(139, 79), 0x336699u);
    EXPECT_EQ(At(140, 79), 0x203040u);
}

TEST_F(EventModeTest, AMissingFileIsTheConstructionError) {
    try {
        TEventMode mode(folder.Str() + "nothere.ini", seen, screen, Services());
        FAIL() << "no error";
    } catch (const EEngineError& e) {
        EXPECT_EQ(e.Text(), SJ("EventMode設定ファイル nothere.ini が見つかりません"));
    }
}
}  // namespace
