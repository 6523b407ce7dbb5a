// Movies from the script: played over the window on the game's clock, ended by their end, a
// key or a click, and skipped when they cannot be played.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <QApplication>
#include <QKeyEvent>

#include "engine/velmor.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/joystick.h"
#include "platform/message_box.h"
#include "platform/test_message_responder.h"
#include "platform/virtual_clock.h"
#include "resources/sjis_text.h"
#include "shell/form_main.h"
#include "shell/yx_avi.h"
#include "tests/support/game_window_test.h"

namespace {

const uint8_t kLevels[] = {40, 80, 120, 160, 200};

// Five grey pictures at 10 per second, with silent 16-bit stereo sound: an AVI of
// uncompressed streams, so no encoder is needed.
bool WriteMovie(const std::string& path) {
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "avi", path.c_str()) < 0) return false;
    AVStream* video = avformat_new_stream(out, nullptr);
    video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    video->codecpar->codec_id = AV_CODEC_ID_RAWVIDEO;
    video->codecpar->codec_tag = 0;
    video->codecpar->format = AV_PIX_FMT_BGR24;
    video->codecpar->bits_per_coded_sample = 24;
    video->codecpar->width = 32;
    video->codecpar->height = 24;
    video->time_base = {1, 10};
    AVStream* audio = avformat_new_stream(out, nullptr);
    audio->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    audio->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
    audio->codecpar->sample_rate = 44100;
    av_channel_layout_default(&audio->codecpar->ch_layout, 2);
    audio->codecpar->bits_per_coded_sample = 16;
    audio->codecpar->block_align = 4;
    audio->time_base = {1, 44100};
    if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(out, nullptr) < 0)
        return false;
    for (int i = 0; i < 5; ++i) {
        const std::vector<uint8_t> picture(32 * 24 * 3, kLevels[i]);
        AVPacket* packet = av_packet_alloc();
        av_new_packet(packet, static_cast<int>(picture.size()));
        std::copy(picture.begin(), picture.end(), packet->data);
        packet->stream_index = video->index;
        packet->pts = packet->dts = av_rescale_q(i, {1, 10}, video->time_base);
        packet->flags |= AV_PKT_FLAG_KEY;
        av_interleaved_write_frame(out, packet);
        av_packet_free(&packet);
        AVPacket* sound = av_packet_alloc();
        av_new_packet(sound, 4410 * 4);
        std::fill(sound->data, sound->data + 4410 * 4, 0);
        sound->stream_index = audio->index;
        sound->pts = sound->dts = av_rescale_q(i * 4410, {1, 44100}, audio->time_base);
        av_interleaved_write_frame(out, sound);
        av_packet_free(&sound);
    }
    av_write_trailer(out);
    avio_closep(&out->pb);
    avformat_free_context(out);
    return true;
}

class MovieTest : public GameWindowTest {
protected:
    void SetUp() override {
        GameWindowTest::SetUp();
        ASSERT_TRUE(WriteMovie(m_Dir.Str() + "movie.avi"));
        m_Dir.WriteBytes("broken.avi", "RIFF....AVI LIST not really a movie");
        m_Dir.WriteSjis("game.vsc",
                        "<velmor>\nStartScript=start.txt\n</velmor>\n"
                        "<Screen>\nWidth=160\nHeight=120\n</Screen>\n");
    }
    // The grey of the picture on show (0 before any).
    int Shown() {
        return m_Form->Avi()->Frame().isNull() ? 0 : qGray(m_Form->Avi()->Frame().pixel(5, 5));
    }
    std::string Message() { return platform::SjisToUtf8(m_Form->Engine()->Message().Text()); }
};

TEST_F(MovieTest, AMoviePlaysOnTheGameClockAndTheScriptGoesOnAfterItsEnd) {
    TVelmor& engine = Start("*avi movie.avi\n一\n");
    ASSERT_EQ(engine.Mode(), TGameMode::Movie);
    TyxAvi& avi = *m_Form->Avi();
    ASSERT_TRUE(avi.Playing());
    EXPECT_NEAR(Shown(), kLevels[0], 2);
    m_Clock.Advance(250);
    avi.Advance();
    EXPECT_NEAR(Shown(), kLevels[2], 2);
    m_Clock.Advance(400);
    avi.Advance();  // past the last picture: the movie ends by itself
    EXPECT_FALSE(avi.Playing());
    EXPECT_EQ(engine.Mode(), TGameMode::Script);
    Settle();
    EXPECT_EQ(Message(), "一");
    EXPECT_TRUE(m_Boxes.Records().empty());
}

TEST_F(MovieTest, AKeyOrAClickEndsTheMovieOnce) {
    TVelmor& engine = Start("*avi movie.avi\n一\n*avi movie.avi\n二\n");
    TyxAvi& avi = *m_Form->Avi();
    ASSERT_TRUE(avi.Playing());
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier);
    QApplication::sendEvent(&avi, &release);
    EXPECT_FALSE(avi.Playing());
    // The keyboard is the game's again.
    EXPECT_EQ(m_Form->focusWidget(), m_Form.get());
    EXPECT_EQ(engine.Mode(), TGameMode::Script);
    Settle();
    EXPECT_EQ(Message(), "一");
    // A second ending (the movie's own stop arriving late) changes nothing.
    engine.Interpreter().EndMovie();
    EXPECT_TRUE(engine.Flow().ClickWait);

    m_Form->DeliverInput(TInputCode::Confirm, -1, -1);
    Settle();
    ASSERT_TRUE(avi.Playing());
    // An input reaching the game window ends it too.
    m_Form->DeliverInput(TInputCode::Confirm, -1, -1);
    EXPECT_FALSE(avi.Playing());
    Settle();
    EXPECT_EQ(Message(), "二");
}

TEST_F(MovieTest, AMovieThatCannotPlayIsSkipped) {
    TVelmor& engine = Start("*avi missing.avi\n*avi broken.avi\n一\n");
    EXPECT_EQ(engine.Mode(), TGameMode::Script);
    EXPECT_FALSE(m_Form->Avi()->Playing());
    EXPECT_EQ(Message(), "一");
}

}  // namespace
