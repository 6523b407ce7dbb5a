// The scene: layers composed back to front into the screen layer, the presentation flags, and
// the message drawn whole or revealed piece by piece.
#include "command_fixture.h"
#include "graphics/message_text.h"
#include "graphics/paint_memo.h"

namespace {

class CountingDisplay : public TDisplaySurface {
public:
    CountingDisplay() : TDisplaySurface(platform::Clock::Current()) {}
    int Width() const override { return 160; }
    int Height() const override { return 120; }
    void Present(const platform::Bitmap& frame, int, int) override {
        ++presents;
        last = frame;
    }
    int presents = 0;
    platform::Bitmap last;
};

class SceneTest : public CommandTest {
protected:
    TVelmor& StartScene(const std::string& script, const std::string& state,
                        const std::string& project = "") {
        m_Dir.WriteSjis("game.vsc",
                        "<velmor>\nStartScript=start.txt\n</"
                        "velmor>\n<Screen>\nWidth=160\nHeight=120\n</Screen>\n" +
                            project);
        m_Dir.WriteSjis("game.vss", "<SystemState>\n" + state + "</SystemState>\n");
        m_Dir.WriteSjis("start.txt", script);
        m_Engine = std::make_unique<TVelmor>(m_Dir.Str() + "game.vsc", SJ("ＭＳ ゴシック"),
                                             EngineServices(m_DllRes.get(), nullptr, &m_Errors));
        m_Engine->Scene().SetDisplay(&m_Display);
        m_Errors.clear();
        return *m_Engine;
    }
    uint32_t At(int x, int y) { return m_Engine->Scene().Screen().Image().Pixel(x, y); }
    CountingDisplay m_Display;
};

TEST_F(SceneTest, LayersComposeBackToFrontAndTheHiddenWindowStopsAfterTheFace) {
    Picture("bg.png", 160, 120, 0x102030);
    Picture("face.png", 40, 60, 0x0000FF);
    Picture("mini.png", 20, 20, 0x00FF00);
    Picture("win.png", 100, 20, 0xFFFFFF);
    TVelmor& e =
        StartScene("x\n", "MessageAnimation=0\n",
                   "<Face>\nBasePoint=2\nX=80\nY=120\n</Face>\n"
                   "<MiniFace>\nCount=1\nX=10\nY=10\nBasePoint=7\n</MiniFace>\n"
                   "<MessageWindow>\nImage=win.png\nBasePoint=2\nX=80\nY=120\n</MessageWindow>\n");
    // The project's window picture shows from the start.
    EXPECT_TRUE(e.Scene().MessageWindow().Visible());
    EXPECT_EQ(e.Scene().MessageWindow().Left(), 30);
    EXPECT_EQ(e.Scene().TextArea(), (TRect{40, 110, 120, 120}));
    Run("*b bg.png");
    Run("*f face.png");
    Run("*m mini.png");
    e.Presenter().ComposeFrame();
    EXPECT_EQ(At(0, 0), 0x102030u);
    EXPECT_EQ(At(12, 12), 0x00FF00u);  // small face
    EXPECT_EQ(At(80, 70), 0x0000FFu);  // face, bottom-centre at (80, 120)
    EXPECT_EQ(At(60, 95), 0x0000FFu);
    EXPECT_EQ(At(80, 105), 0xFFFFFFu);  // window over the face
    EXPECT_EQ(At(25, 105), 0x102030u);

    e.Flow().WindowHidden = true;
    e.Presenter().ComposeFrame();
    EXPECT_EQ(At(12, 12), 0x102030u);
    EXPECT_EQ(At(80, 105), 0x0000FFu);

    // Hidden after a fade to black, the background leaves its fill colour.
    e.Scene().Background().Fill(0);
    e.Scene().Background().SetVisible(false);
    e.Scene().Face().SetVisible(false);
    e.Presenter().ComposeFrame();
    EXPECT_EQ(At(0, 0), 0u);
    EXPECT_EQ(At(159, 119), 0u);
}

// The text keeps to the part of the window picture that is on the screen; a window that fits
// gives the text area of its own edges.
TEST_F(SceneTest, TextAreaStaysOnTheScreenWhenTheWindowPictureIsWider) {
    Picture("win200.png", 200, 30);
    Picture("win100.png", 100, 20);
    struct Case {
        const char* what;
        int width, height;
        std::string window;  // the project's MessageWindow keys
        TRect text;
        int rowHeight;
    };
    const Case cases[] = {
        {"fits: its own edges", 160, 120, "Image=win100.png\n", {40, 106, 120, 120}, 0},
        {"wider than the screen", 160, 120, "Image=win200.png\n", {10, 96, 150, 120}, 2},
        {"off the right edge", 160, 120, "Image=win100.png\nBasePoint=1\nX=100\nY=120\n",
         {110, 110, 150, 120}, 0},
        // The library's 760-pixel frame on a 640 x 480 game.
        {"built-in frame, 640 x 480", 640, 480, "", {10, -1, 630, 480}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_Dir.WriteSjis("game.vsc", "<velmor>\nStartScript=start.txt\n</velmor>\n<Screen>\nWidth=" +
                                        std::to_string(c.width) + "\nHeight=" +
                                        std::to_string(c.height) + "\n</Screen>\n<MessageWindow>\n" +
                                        c.window + "</MessageWindow>\n");
        m_Dir.WriteSjis("start.txt", "x\n");
        TVelmor e(m_Dir.Str() + "game.vsc", SJ("ＭＳ ゴシック"),
                  EngineServices(m_DllRes.get(), nullptr, &m_Errors));
        const TRect area = e.Scene().TextArea();
        EXPECT_EQ(area.Left, c.text.Left);
        EXPECT_EQ(area.Right, c.text.Right);
        EXPECT_EQ(area.Bottom, c.text.Bottom);
        if (c.text.Top >= 0) {
            EXPECT_EQ(area.Top, c.text.Top);
        }
        EXPECT_GE(area.Top, 0);
        for (int i = 0; i < 4; ++i) {
            const TRect row = e.Scene().ChoiceRowAreas()[i];
            EXPECT_EQ(row.Left, area.Left);
            EXPECT_EQ(row.Right, area.Right);
            if (c.rowHeight >= 0) {
                EXPECT_EQ(row.Bottom - row.Top, c.rowHeight);
            }
            EXPECT_LE(row.Bottom, c.height);
        }
    }
}

TEST_F(SceneTest, PresentationCrossFadesOnlyWhenRedrawIsSetAndNotSkipping) {
    TVelmor& e = StartScene("x\n", "MessageAnimation=0\n");
    e.Presenter().PresentFrame();
    EXPECT_EQ(m_Display.presents, 1);
    EXPECT_EQ(e.Scene().LastCrossFadeMs(), 0u);

    e.Scene().SetRedraw(true, true);
    e.Presenter().PresentFrame();
    EXPECT_EQ(e.Scene().LastCrossFadeMs(), 1000u);
    EXPECT_FALSE(e.Scene().Redraw());
    EXPECT_FALSE(e.Scene().Crossfade());
    EXPECT_FALSE(e.Flow().Busy);

    e.Scene().SetRedraw(true, false);
    e.Presenter().PresentFrame();
    EXPECT_EQ(e.Scene().LastCrossFadeMs(), 200u);
    EXPECT_FALSE(e.Scene().Redraw());

    // Skipping shows the frame at once and leaves the flags for the next presentation.
    e.Scene().SetRedraw(true, true);
    e.Flow().Skip = true;
    const int before = m_Display.presents;
    e.Presenter().PresentFrame();
    EXPECT_EQ(m_Display.presents, before + 1);
    EXPECT_EQ(e.Scene().LastCrossFadeMs(), 200u);
    EXPECT_TRUE(e.Scene().Redraw());
    EXPECT_TRUE(e.Scene().Crossfade());
    EXPECT_EQ(m_Display.last.Pixel(0, 0), 0xFFFFFFu);
}

TEST_F(SceneTest, RevealStepsJoinMarksAndDrawNineTimesWithTheOutline) {
    TVelmor& e = StartScene("あ。\nあい\n", "MessageAnimation=1\nMessageAnimationSpeed=10\n");
    e.Interpreter().Tick();  // the message line composes and starts the reveal
    ASSERT_TRUE(e.Message().Animating());
    uint64_t outputs = TMessageText::OutputCount();
    e.Interpreter().RevealStep();
    EXPECT_EQ(TMessageText::OutputCount() - outputs, 9u);
    EXPECT_EQ(e.Message().Revealed(), 5);
    EXPECT_FALSE(e.Message().Animating());

    e.Flow().ClickWait = false;
    m_Clock.Advance(10);  // the step deadline
    e.Interpreter().Tick();
    ASSERT_TRUE(e.Message().Animating());
    e.Interpreter().RevealStep();
    EXPECT_TRUE(e.Message().Animating());
    EXPECT_EQ(e.Message().Revealed(), 3);
    e.Interpreter().RevealStep();
    EXPECT_EQ(e.Message().Revealed(), 5);
    EXPECT_FALSE(e.Message().Animating());
}

TEST_F(SceneTest, WithoutOutlineEachStepDrawsOnceAndSkippingReadTextDrawsAllAtOnce) {
    TVelmor& e = StartScene("あいう\n", "MessageAnimation=1\nNoReadTextSkip=1\n",
                            "<MessageWindow>\nMessageShadowDraw=0\n</MessageWindow>\n");
    e.Interpreter().Tick();
    ASSERT_TRUE(e.Message().Animating());
    uint64_t outputs = TMessageText::OutputCount();
    e.Interpreter().RevealStep();
    EXPECT_EQ(TMessageText::OutputCount() - outputs, 1u);

    outputs = TMessageText::OutputCount();
    e.Flow().Skip = true;
    EXPECT_TRUE(e.Interpreter().RevealStep());
    EXPECT_FALSE(e.Message().Animating());
    EXPECT_EQ(TMessageText::OutputCount() - outputs, 1u);  // one line, whole

    // With the window hidden a step does nothing.
    e.Message().StartReveal();
    e.Flow().WindowHidden = true;
    EXPECT_FALSE(e.Interpreter().RevealStep());
    EXPECT_EQ(e.Message().Revealed(), 1);
}

TEST_F(SceneTest, ADamagedPictureIsAnErrorRecordAndTheGameGoesOn) {
    Picture("bg.png", 160, 120, 0x102030);
    m_Dir.WriteBytes("broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, '\x07'));
    m_Dir.WriteBytes("broken.jpg", "\xFF\xD8\xFF\xE0 not a picture");
    m_Dir.WriteBytes("broken.vpp", "vpp\x01\x09\0\0\0junk");
    TVelmor& e = StartScene("x\n", "MessageAnimation=0\n");
    Run("*b bg.png");
    for (const char* name : {"broken.png", "broken.jpg", "broken.vpp"}) {
        SCOPED_TRACE(name);
        EXPECT_NO_THROW(Run(std::string("*b ") + name));
        const TStringList records = Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_NE(records[0].find(name), std::string::npos) << records[0];
        e.Presenter().ComposeFrame();
        EXPECT_EQ(At(5, 5), 0x102030u);
    }
}

}  // namespace

namespace {

// Recomposing replays the message's last drawing when nothing under or in it changed; every
// frame must equal the one drawn without that shortcut, plain and smooth.
class SceneMemoTest : public SceneTest, public ::testing::WithParamInterface<bool> {
protected:
    std::vector<platform::Bitmap> Frames(bool memo) {
        TPaintMemo::SetEnabled(memo);
        Picture("bg.png", 160, 120, 0x102030);
        TVelmor& e = StartScene(
            "あいうえおかきくけこさしすせそ、たちつてと。\n",
            std::string("MessageAnimation=0\nAntiAliasText=") + (GetParam() ? "1" : "0") + "\n");
        e.Flow().Skip = true;  // no cross-fades to wait for
        Run("*b bg.png");
        for (int i = 0; i < 10 && e.Message().Text().empty(); ++i) e.Interpreter().Tick();
        EXPECT_FALSE(e.Message().Text().empty());
        std::vector<platform::Bitmap> frames;
        auto shot = [&] {
            e.Presenter().ComposeFrame();
            frames.push_back(e.Scene().Screen().Image());
        };
        const uint64_t replays = TPaintMemo::ReplayCount();
        shot();
        shot();  // the same frame again
        if (memo)
            EXPECT_GE(TPaintMemo::ReplayCount() - replays, 1u);
        else
            EXPECT_EQ(TPaintMemo::ReplayCount(), replays);
        e.Scene().Background().SetVisible(false);
        e.Scene().Background().Fill(0x804020);  // the ground under the text changes
        shot();
        shot();
        e.Message().SetText(SJ("なにぬねの「はひふへほ」まみむめも"));
        shot();
        e.Presenter().SetMessageFont(SJ("ＭＳ Ｐゴシック"));
        shot();
        e.Scene().Background().Fill(0x804020);
        shot();
        TPaintMemo::SetEnabled(true);
        return frames;
    }
};

TEST_P(SceneMemoTest, ReplayedFramesEqualDrawnOnes) {
    const std::vector<platform::Bitmap> drawn = Frames(false);
    const std::vector<platform::Bitmap> replayed = Frames(true);
    ASSERT_EQ(drawn.size(), replayed.size());
    for (size_t i = 0; i < drawn.size(); ++i)
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                ASSERT_EQ(drawn[i].Pixel(x, y), replayed[i].Pixel(x, y))
                    << "frame " << i << " at " << x << "," << y;
    EXPECT_NE(drawn[0].Pixel(0, 0), drawn[2].Pixel(0, 0));
}

INSTANTIATE_TEST_SUITE_P(PlainAndSmooth, SceneMemoTest, ::testing::Bool());

}  // namespace

namespace {

// Message frames nobody can see are held back, and the one the player or the host looks at is
// the frame composing every message would have shown.
class HeldFrameTest : public SceneTest {
protected:
    TVelmor& Start(bool onDemand, const std::string& state = "MessageAnimation=0\n") {
        TVelmor& e = StartScene("一つ目の長い文章は、この小さな画面では折り返される。\n二つ目\n三つ目\n四つ目\n*effect sepia\n五つ目\n", state);
        e.Presenter().SetFramesOnDemand(onDemand);
        return e;
    }
    // Runs message lines, passing each click wait.
    void Lines(TVelmor& e, int count) {
        for (int i = 0; i < count; ++i) {
            e.Flow().ClickWait = false;
            e.Interpreter().Tick();
        }
    }
    std::vector<uint32_t> Pixels(const platform::Bitmap& b) {
        std::vector<uint32_t> out;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x) out.push_back(b.Pixel(x, y));
        return out;
    }
};

TEST_F(HeldFrameTest, OnDemandFramesAreComposedWhenAskedAndBeforeAnEffect) {
    TVelmor& eager = Start(false);
    Lines(eager, 2);
    const std::vector<uint32_t> second = Pixels(m_Display.last);
    Lines(eager, 3);  // two more messages and the filter
    const std::vector<uint32_t> beforeFilter = Pixels(m_Display.last);

    TVelmor& held = Start(true);
    const int presents = m_Display.presents;
    Lines(held, 2);
    EXPECT_EQ(m_Display.presents, presents);
    held.Presenter().FlushFrame();
    EXPECT_EQ(m_Display.presents, presents + 1);
    EXPECT_EQ(Pixels(m_Display.last), second);
    held.Presenter().FlushFrame();  // nothing held back now
    EXPECT_EQ(m_Display.presents, presents + 1);
    Lines(held, 3);
    EXPECT_EQ(m_Display.presents, presents + 2);  // the filter showed the fourth message first
    EXPECT_EQ(Pixels(m_Display.last), beforeFilter);
}

TEST_F(HeldFrameTest, AnUnseenRevealIsDrawnToWhereItReached) {
    for (int steps : {0, 1, 2, 14, 30}) {
        SCOPED_TRACE(steps);
        TVelmor& eager = Start(false, "MessageAnimation=1\nMessageAnimationSpeed=10\n");
        eager.Interpreter().Tick();
        for (int i = 0; i < steps; ++i) eager.Interpreter().RevealStep();
        const std::vector<uint32_t> seen = Pixels(eager.Scene().Screen().Image());
        const bool animating = eager.Message().Animating();

        TVelmor& held = Start(true, "MessageAnimation=1\nMessageAnimationSpeed=10\n");
        const int presents = m_Display.presents;
        held.Interpreter().Tick();
        for (int i = 0; i < steps; ++i) held.Interpreter().RevealStep();
        EXPECT_EQ(m_Display.presents, presents);
        EXPECT_EQ(held.Message().Animating(), animating);
        held.Presenter().FlushFrame();
        EXPECT_EQ(Pixels(held.Scene().Screen().Image()), seen);
        EXPECT_EQ(Pixels(m_Display.last), seen);
        EXPECT_EQ(held.Message().Animating(), animating);
    }
}

TEST_F(HeldFrameTest, SkippingIntoUnreadTextShowsItAndRevealsItOnceTheGameRests) {
    // Driven as the window and the runner drive it: ticks only while the game has work.
    for (bool onDemand : {false, true}) {
        SCOPED_TRACE(onDemand);
        TVelmor& e = StartScene("#a\none\ntwo\n#b\nthree, not read yet\nfour\n",
                                "MessageAnimation=1\nMessageAnimationSpeed=10\n");
        e.SystemState().ReadParagraphs = {"#a"};
        e.Presenter().SetFramesOnDemand(onDemand);
        auto settle = [&] {
            for (int i = 0; i < 1000; ++i) {
                const TIdleWait wait = e.Interpreter().NextWait();
                if (wait.kind == TIdleWait::kInput) return;
                if (wait.kind == TIdleWait::kDeadline)
                    m_Clock.Advance(wait.deadline - m_Clock.TickCount());
                e.Interpreter().Tick();
            }
        };
        settle();
        e.Flow().Skip = true;
        e.Presenter().PresentFrame();  // a display frame now: the next ones are held back
        const uint32_t start = m_Clock.TickCount();
        settle();
        EXPECT_EQ(e.Message().Text(), "three, not read yet");
        EXPECT_TRUE(e.Flow().Skip);
        EXPECT_GE(m_Clock.TickCount() - start, 190u);  // nineteen pieces at 10 ms
        e.Presenter().FlushFrame();
        EXPECT_EQ(Pixels(m_Display.last), Pixels(e.Scene().Screen().Image()));
    }
}

TEST_F(HeldFrameTest, SkippingShowsAFrameEachDisplayFrameAndTheMessageItStopsAt) {
    for (const char* state : {"MessageAnimation=0\nNoReadTextSkip=1\n",
                              "MessageAnimation=1\nNoReadTextSkip=1\n"}) {
        SCOPED_TRACE(state);
        TVelmor& e = Start(false, state);
        e.Flow().Skip = true;
        e.Presenter().PresentFrame();  // a display frame now
        const int presents = m_Display.presents;
        Lines(e, 2);  // two messages within it: held back
        EXPECT_EQ(m_Display.presents, presents);
        EXPECT_FALSE(e.Message().Animating());
        m_Clock.Advance(TVelmorPresenter::kSkipFrameMs);
        e.Interpreter().Tick();  // the next frame is due: the held one shows
        EXPECT_GT(m_Display.presents, presents);
        e.Flow().Skip = false;  // the player lets go: the engine stops at a message
        for (int i = 0; i < 10 && e.Interpreter().Tick();) ++i;
        while (e.Message().Animating()) e.Interpreter().RevealStep();
        EXPECT_EQ(Pixels(m_Display.last), Pixels(e.Scene().Screen().Image()));
        EXPECT_TRUE(e.Flow().ClickWait);
    }
}

}  // namespace
