#include "resources/application.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/test_message_responder.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"

namespace {

std::string Raised(const std::string& text) {
    try {
        TyxApplication::RaiseEngineError(text);
    } catch (const EEngineError& e) {
        return e.Text();
    }
    return "<nothing raised>";
}

class ApplicationBoxesTest : public ::testing::Test {
protected:
    platform::TestMessageResponder m_Boxes;
    TyxApplication m_App{m_Boxes};
};

}  // namespace

TEST(ApplicationTest, EngineErrorKeepsShortTextsAndCutsLongOnes) {
    EXPECT_EQ(Raised("TVelmor : short"), "TVelmor : short");
    EXPECT_EQ(Raised(""), "");
    const std::string t255(255, 'a');
    EXPECT_EQ(Raised(t255), t255);
    EXPECT_EQ(Raised(std::string(256, 'b')), std::string(254, 'b'));
    std::string t300;
    for (int i = 0; i < 300; ++i) t300 += static_cast<char>('0' + i % 10);
    EXPECT_EQ(Raised(t300), t300.substr(0, 254));
    EXPECT_EQ(TyxApplication::CutEngineErrorText(t300), t300.substr(0, 254));
    // Shift-JIS text is cut by bytes as well.
    const std::string japanese = SJ("エラー");
    std::string longJapanese;
    while (longJapanese.size() < 300) longJapanese += japanese;
    EXPECT_EQ(Raised(longJapanese).size(), 254u);
}

TEST_F(ApplicationBoxesTest, BoxesCarryTheirCaptionsIconsAndButtons) {
    TyxApplication& app = m_App;
    const std::string title = app.Title();
    m_Boxes.PushAnswer(platform::MessageAnswer::No);
    EXPECT_FALSE(app.Confirm(SJ("終了しますか？")));
    EXPECT_TRUE(app.Confirm("again"));
    app.Warn("warn");
    app.Inform("info", "caption");
    app.Stop("stop");
    app.ShowMessage("plain");

    const auto& r = m_Boxes.Records();
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].caption, SJ("確認"));
    EXPECT_EQ(r[0].text, SJ("終了しますか？"));
    EXPECT_EQ(r[0].icon, platform::MessageIcon::Question);
    EXPECT_EQ(r[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(r[1].answer, platform::MessageAnswer::Yes);
    EXPECT_EQ(r[2].caption, title);
    EXPECT_EQ(r[2].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(r[2].buttons, platform::MessageButtons::Ok);
    EXPECT_EQ(r[3].caption, "caption");
    EXPECT_EQ(r[3].icon, platform::MessageIcon::Information);
    EXPECT_EQ(r[4].caption, title);
    EXPECT_EQ(r[4].icon, platform::MessageIcon::Stop);
    EXPECT_EQ(r[5].caption, title);
    EXPECT_EQ(r[5].icon, platform::MessageIcon::None);
    EXPECT_EQ(r[5].text, "plain");
}

TEST_F(ApplicationBoxesTest, TitleChangesFollowIntoBoxes) {
    TyxApplication& app = m_App;
    const std::string old = app.Title();
    app.SetTitle(SJ("テストゲーム"));
    app.Warn("x");
    app.SetTitle(old);
    ASSERT_EQ(m_Boxes.Records().size(), 1u);
    EXPECT_EQ(m_Boxes.Records()[0].caption, SJ("テストゲーム"));
}

TEST(ApplicationTest, FileVersionOnlyForOurOwnProgram) {
    platform::TestMessageResponder boxes;
    TyxApplication app(boxes);
    EXPECT_EQ(app.FileVersion(platform::FileSystem::ProgramFileName()), "0.1.0.0");
    EXPECT_EQ(app.FileVersion("C:\\Games\\velmor.exe"), "0.1.0.0");
    EXPECT_EQ(app.FileVersion("/opt/velmor/velmor"), "0.1.0.0");
    EXPECT_EQ(app.FileVersion("C:\\Windows\\notepad.exe"), "");
    EXPECT_EQ(app.FileVersion("velmor-other.exe"), "");
    EXPECT_EQ(app.FileVersion(""), "");
}

TEST(ApplicationTest, ProgramNamePartsComeFromTheProgramFile) {
    platform::TestMessageResponder boxes;
    TyxApplication app(boxes);
    EXPECT_EQ(app.ExeFolder() + app.ExeName(), platform::FileSystem::ProgramFileName());
    EXPECT_EQ(app.ExeBaseName(), "test_resources");
    EXPECT_EQ(app.ExeName().find('/'), std::string::npos);
    ASSERT_FALSE(app.ExeFolder().empty());
    EXPECT_EQ(app.ExeFolder().back(), '/');
}
