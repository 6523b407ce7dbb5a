// The options dialog from the game window: volumes heard at once and restored on cancel, the
// speed positions, the font, and full screen asked for first.
#include <gtest/gtest.h>

// Before Qt, whose "emit" keyword the fixtures use as a name.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSlider>

#include "engine/velmor.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/joystick.h"
#include "platform/message_box.h"
#include "platform/sound_buffer.h"
#include "platform/test_message_responder.h"
#include "platform/virtual_clock.h"
#include "resources/sjis_text.h"
#include "shell/form_main.h"
#include "sound/ds_play_thread.h"
#include "sound/ds_player.h"
#include "tests/sound/sound_fixtures.h"
#include "tests/support/game_window_test.h"
#include "windows/form_option.h"

namespace {

using platform::MessageAnswer;

class OptionsTest : public GameWindowTest {
protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        const auto wave = fixtures::MakeWave(fixtures::Bytes16(std::vector<int16_t>(44100, 1000)));
        m_Dir.WriteBytes("music.wav", std::string(wave.begin(), wave.end()));
        WriteState("MessageAnimation=1\nMessageAnimationSpeed=47\nFontName=存在しない書体\n");
        Start("*bgm music.wav\n一\n二\n");
    }
    void WithDialog(const std::function<void(TFormOption&)>& run) {
        m_Form->SetOptionDialogDriver(run);
        m_Form->findChild<QAction*>("m_ActSystemOption")->trigger();
    }
    // The music slot's attenuation in hundredths of a decibel.
    int32_t MusicLevel() {
        TyxDSPlayer* player = &m_Form->Engine()->Channels().Player();
        if (!player->Slot(0) || !player->Slot(0)->Buffer()) return 1;
        int32_t level = 1;
        player->Slot(0)->Buffer()->GetVolume(&level);
        return level;
    }
};

TEST_F(OptionsTest, VolumesAreHeardAtOnceAndCancelOrEscapeBringsThemBack) {
    if (!m_Form->Engine()->Channels().Player().Device()) GTEST_SKIP() << "no sound device";
    ASSERT_EQ(MusicLevel(), 0);
    int32_t during = 1;
    WithDialog([&](TFormOption& d) {
        d.m_TBVolumes[0]->setValue(0);
        during = MusicLevel();
        d.Cancel();
    });
    EXPECT_EQ(during, -10000);
    EXPECT_EQ(MusicLevel(), 0);
    EXPECT_EQ(m_Form->Engine()->SystemState().BGMVolume, 10);

    WithDialog([&](TFormOption& d) {
        d.m_TBVolumes[0]->setValue(3);
        d.reject();  // Escape
    });
    EXPECT_EQ(MusicLevel(), 0);

    WithDialog([&](TFormOption& d) {
        d.m_TBVolumes[0]->setValue(5);
        d.Ok();
    });
    EXPECT_EQ(m_Form->Engine()->SystemState().BGMVolume, 5);
    EXPECT_EQ(MusicLevel(), TyxDSPlayer::VolumeToAttenuation(50));
}

TEST_F(OptionsTest, SpeedFontAndTheTextSettingsTakeEffectOnOk) {
    TVelmorSystemState& state = m_Form->Engine()->SystemState();
    WithDialog([](TFormOption& d) {
        EXPECT_EQ(d.m_TBMessageAnimation->value(), 4);
        EXPECT_TRUE(d.m_TBMessageAnimation->isEnabled());
        // A font that is not installed is not selected; OK returns the empty text.
        EXPECT_EQ(d.cbFontName->currentIndex(), -1);
        d.m_CBMessageAnimation->click();
        EXPECT_FALSE(d.m_TBMessageAnimation->isEnabled());
        d.m_CBNoReadTextSkip->setChecked(true);
        EXPECT_FALSE(d.m_CBNoResumeQuestion->isChecked());
        d.m_CBNoResumeQuestion->setChecked(true);
        d.Ok();
    });
    EXPECT_TRUE(state.NoResumeQuestion);
    EXPECT_EQ(state.MessageAnimationSpeed, 40);
    EXPECT_FALSE(state.MessageAnimation);
    EXPECT_TRUE(state.NoReadTextSkip);
    EXPECT_EQ(platform::SjisToUtf8(state.FontName), "存在しない書体");

    // An installed Japanese font is taken.
    std::string chosen;
    WithDialog([&](TFormOption& d) {
        if (d.cbFontName->count() == 0) return d.Cancel();
        d.cbFontName->setCurrentIndex(0);
        chosen = platform::Utf8ToSjis(d.cbFontName->currentText().toStdString());
        d.Ok();
    });
    if (!chosen.empty()) {
        EXPECT_EQ(state.FontName, chosen);
    }
}

TEST_F(OptionsTest, FullScreenIsAskedForAndNoKeepsTheWindow) {
    m_Boxes.PushAnswer(MessageAnswer::No);
    WithDialog([](TFormOption& d) {
        EXPECT_FALSE(d.m_CBWindowMode->isChecked());
        d.m_CBWindowMode->setChecked(true);
        d.Ok();
    });
    ASSERT_EQ(m_Boxes.Records().size(), 1u);
    EXPECT_EQ(platform::SjisToUtf8(m_Boxes.Records()[0].caption), "フルスクリーン確認");
    EXPECT_TRUE(m_Form->Engine()->SystemState().WindowMode);
    EXPECT_FALSE(m_Form->isFullScreen());
}

}  // namespace
