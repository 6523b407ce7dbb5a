// The script commands one by one: what they change and the records their bad arguments get.
#include "tests/engine/command_fixture.h"

namespace {

TEST_F(CommandTest, ArgumentErrorsAreRecordsAndTheScriptGoesOn) {
    Start(
        "*e\n*b\n*f\n*m\n*jump\n*scroll\n*tumble\n*effect\n*cross\n*frobnicate 1\n"
        "*wait soon\nafter\n");
    EXPECT_EQ(RunToInput(), "");
    EXPECT_EQ(Records(),
              (TStringList{"scriptCommandExecute : e コマンドの引数が足りません",
                           "scriptCommandExecute : b コマンドの引数が足りません",
                           "scriptCommandExecute : f コマンドの引数が足りません",
                           "scriptCommandExecute : m コマンドの引数が足りません",
                           "scriptCommandExecute : jump コマンドの引数が足りません",
                           "scriptCommandExecute : scroll コマンドの引数が足りません",
                           "scriptCommandExecute : tumble コマンドの引数が足りません",
                           "scriptCommandExecute : effect コマンドの引数が足りません",
                           "scriptCommandExecute : cross コマンドの引数が足りません",
                           "scriptCommandExecute : 指定されたコマンド frobnicate は存在しません",
                           "scriptCommandExecute : パラメータが異常です param=soon"}));
    // The bad wait fell back to a click wait; the message comes after it.
    EXPECT_EQ(m_Engine->Script().Position().Line, 10);
    EXPECT_FALSE(m_Engine->Flow().Busy);
    m_Engine->ModeObject().Input(TInputCode::Confirm, -1, -1);
    RunToInput();
    EXPECT_EQ(m_Engine->Message().Text(), "after");
}

TEST_F(CommandTest, PicturesLoadIntoTheirLayersAndMissingOnesAreRecorded) {
    TVelmor& e = Start("x\n");
    Picture("bg.png", 200, 100);
    Picture("face.png", 40, 60);
    e.Scene().Background().SetVisible(false);
    Run("*B bg.png");
    EXPECT_TRUE(e.Scene().Background().Visible());
    EXPECT_EQ(e.Scene().Background().FileName(), "bg.png");
    EXPECT_TRUE(e.Scene().Redraw());
    EXPECT_TRUE(e.Scene().Crossfade());
    e.Scene().SetRedraw(false);
    Run("*f face.png");
    EXPECT_TRUE(e.Scene().Face().Visible());
    EXPECT_TRUE(e.Scene().Redraw());
    EXPECT_FALSE(e.Scene().Crossfade());
    e.Scene().SetRedraw(false);
    Run("*b gone.png");
    Run("*f gone.png");
    EXPECT_FALSE(e.Scene().Redraw());
    // A failed load leaves visibility as it was.
    EXPECT_TRUE(e.Scene().Face().Visible());
    EXPECT_EQ(e.Scene().Face().FileName(), "");
    EXPECT_EQ(Records(), (TStringList{"gone.png が見つかりません",
                                      "scriptCommandExecute : gone.png が見つかりません"}));
}

TEST_F(CommandTest, EventPictureHidesFacesAndListsItOnceEvenWhenMissing) {
    TVelmor& e = Start("x\n", "<MiniFace>\nCount=2\n</MiniFace>\n");
    Picture("face.png", 40, 60);
    Picture("ev.png", 160, 120);
    Run("*f face.png");
    Run("*m face.png");
    Run("*e missing.png");
    EXPECT_FALSE(e.Scene().Face().Visible());
    EXPECT_FALSE(e.Scene().MiniFace(1).Visible());
    EXPECT_EQ(Records(), (TStringList{"missing.png が見つかりません"}));
    Run("*e ev.png");
    Run("*e EV.PNG");
    EXPECT_EQ(e.SystemState().EventCG, (TStringList{"missing.png", "ev.png"}));
    EXPECT_TRUE(e.Scene().Crossfade());
}

TEST_F(CommandTest, SmallFacesRotateByCharacter) {
    TVelmor& e = Start("x\n", "<MiniFace>\nCount=3\n</MiniFace>\n");
    for (const char* n : {"ann1.png", "ann2.png", "bob1.png", "cat1.png"}) Picture(n, 20, 20);
    Run("*m ann1.png");
    EXPECT_EQ(e.Scene().MiniFaceSlot(), 1);
    EXPECT_EQ(e.Scene().MiniFace(1).FileName(), "ann1.png");
    Run("*m ANN2.png");  // same character: same slot, new picture
    EXPECT_EQ(e.Scene().MiniFaceSlot(), 1);
    EXPECT_EQ(e.Scene().MiniFace(1).FileName(), "ANN2.png");
    Run("*m bob1.png");
    EXPECT_EQ(e.Scene().MiniFaceSlot(), 2);
    Run("*m cat1.png");
    EXPECT_EQ(e.Scene().MiniFaceSlot(), 0);
    EXPECT_TRUE(e.Scene().MiniFace(0).Visible());
    Run("*m annX.png");  // a missing picture still takes its slot
    EXPECT_EQ(e.Scene().MiniFaceSlot(), 1);
    EXPECT_EQ(Records(), (TStringList{"scriptCommandExecute : annX.png が見つかりません"}));
}

TEST_F(CommandTest, SmallFaceWithoutSlotsTouchesNothing) {
    TVelmor& e = Start("x\n");
    Picture("ann1.png", 20, 20);
    Run("*m ann1.png");
    EXPECT_EQ(e.Scene().MiniFaceSlot(), 0);
    EXPECT_TRUE(Records().empty());
}

TEST_F(CommandTest, HideAndShow) {
    TVelmor& e = Start("x\n", "<MiniFace>\nCount=1\n</MiniFace>\n");
    auto showAll = [&] {
        e.Scene().Face().SetVisible(true);
        e.Scene().MiniFace(0).SetVisible(true);
        e.Scene().MessageWindow().SetVisible(true);
        e.Scene().Background().SetVisible(true);
        e.Scene().SetRedraw(false);
    };
    showAll();
    Run("*hide");
    EXPECT_FALSE(e.Scene().Face().Visible());
    EXPECT_FALSE(e.Scene().MiniFace(0).Visible());
    EXPECT_TRUE(e.Scene().MessageWindow().Visible());
    EXPECT_TRUE(e.Scene().Background().Visible());
    EXPECT_TRUE(e.Scene().Redraw());
    showAll();
    Run("*hide FWB");  // upper case names nothing
    EXPECT_TRUE(e.Scene().Face().Visible());
    EXPECT_FALSE(e.Scene().Redraw());
    Run("*hide wb");
    EXPECT_TRUE(e.Scene().Face().Visible());
    EXPECT_FALSE(e.Scene().MessageWindow().Visible());
    EXPECT_FALSE(e.Scene().Background().Visible());
    EXPECT_TRUE(e.Scene().Redraw());
    Run("*show");
    EXPECT_TRUE(e.Scene().MessageWindow().Visible());
}

TEST_F(CommandTest, TimedWaitHoldsAndIgnoresConfirm) {
    TVelmor& e = Start("?ms = 300\n*wait ms\nafter\n*clickwait\nlast\n");
    const uint32_t t0 = m_Clock.TickCount();
    e.Interpreter().Tick();
    e.Interpreter().Tick();
    EXPECT_TRUE(e.Flow().Busy);
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    m_Clock.Advance(299);
    EXPECT_FALSE(e.Interpreter().Tick());
    EXPECT_TRUE(e.Flow().Busy);
    RunToInput();
    EXPECT_GE(m_Clock.TickCount() - t0, 300u);
    EXPECT_FALSE(e.Flow().Busy);
    EXPECT_EQ(e.Message().Text(), "after");
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    RunToInput();
    EXPECT_FALSE(e.Scene().MessageWindow().Visible());
    EXPECT_TRUE(e.Flow().ClickWait);
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    RunToInput();
    EXPECT_EQ(e.Message().Text(), "last");
}

TEST_F(CommandTest, InAndOutLeaveTheScene) {
    TVelmor& e = Start("x\n");
    Picture("bg.png", 160, 120);
    Run("*b bg.png");
    e.Scene().Face().SetVisible(true);
    Run("*out fade");
    EXPECT_FALSE(e.Scene().Background().Visible());
    EXPECT_FALSE(e.Scene().Face().Visible());
    EXPECT_EQ(e.Scene().Background().FillColour(), 0u);
    EXPECT_FALSE(e.Flow().Busy);
    EXPECT_FALSE(e.Scene().Redraw());
    EXPECT_FALSE(e.Flow().WindowHidden);
    Run("*out gamma");  // gamma ends in white
    EXPECT_EQ(e.Scene().Background().FillColour(), 0xFFFFFFu);
    e.Flow().WindowHidden = true;
    Run("*out");  // a hidden window stays hidden
    EXPECT_TRUE(e.Flow().WindowHidden);
    EXPECT_EQ(e.Scene().Background().FillColour(), 0u);
    Run("*b bg.png");
    Run("*in fade white");
    EXPECT_FALSE(e.Flow().WindowHidden);
    EXPECT_FALSE(e.Scene().Redraw());
    EXPECT_FALSE(e.Scene().Crossfade());
    EXPECT_FALSE(e.Flow().Busy);
    EXPECT_TRUE(Records().empty());
}

TEST_F(CommandTest, ScrollEndsAtTheEdgesAndKeepsTheOtherAxis) {
    TVelmor& e = Start("x\n");
    Picture("wide.png", 400, 300);
    Run("*b wide.png");
    TSprite& bg = e.Scene().Background();
    EXPECT_EQ(bg.Left(), (kWidth - 400) / 2);
    Run("*scroll right");
    EXPECT_EQ(bg.Left(), kWidth - 400);
    EXPECT_EQ(bg.Top(), (kHeight - 300) / 2);
    Run("*scroll left up");
    EXPECT_EQ(bg.Left(), 0);
    EXPECT_EQ(bg.Top(), 0);
    Run("*scroll down");
    EXPECT_EQ(bg.Left(), 0);
    EXPECT_EQ(bg.Bottom(), kHeight);
    Run("*scroll fade");  // names no effect: nothing moves
    EXPECT_EQ(bg.Left(), 0);
    Run("*tumble vertical");
    Run("*effect contrast");
    EXPECT_EQ(bg.Bottom(), kHeight);
    EXPECT_FALSE(e.Flow().Busy);
    EXPECT_TRUE(Records().empty());
}

TEST_F(CommandTest, CrossPlacesTheNewBackground) {
    TVelmor& e = Start("x\n", "<MiniFace>\nCount=1\n</MiniFace>\n");
    Picture("a.png", 100, 80);
    TSprite& bg = e.Scene().Background();
    e.Scene().Face().SetVisible(true);
    Run("*cross a.png x");  // a third token other than e: as with two
    EXPECT_EQ(bg.Left(), 30);
    EXPECT_EQ(bg.Top(), 20);
    EXPECT_TRUE(e.Scene().Face().Visible());
    Run("*cross a.png E 3");
    EXPECT_EQ(bg.Right(), kWidth);
    EXPECT_EQ(bg.Bottom(), kHeight);
    EXPECT_FALSE(e.Scene().Face().Visible());
    EXPECT_EQ(e.SystemState().EventCG, (TStringList{"a.png"}));
    Run("*cross a.png n seven");  // not a number: the centre
    EXPECT_EQ(bg.Left(), 30);
    Run("*cross a.png n 7");
    EXPECT_EQ(bg.Left(), 0);
    EXPECT_EQ(bg.Top(), 0);
    Run("*cross nope.png e");
    EXPECT_EQ(bg.Left(), 0);  // nothing else happens
    EXPECT_EQ(e.SystemState().EventCG, (TStringList{"a.png"}));
    EXPECT_EQ(Records(), (TStringList{"nope.png が見つかりません"}));
}

TEST_F(CommandTest, BasePointSetReanchorsTheNamedLayers) {
    TVelmor& e = Start("x\n", "<MiniFace>\nCount=2\n</MiniFace>\n");
    Picture("s.png", 20, 10);
    Run("*f s.png");
    Run("*m s.png");
    Run("*basepointset F 9");
    EXPECT_EQ(e.Scene().Face().Right(), kWidth);
    EXPECT_EQ(e.Scene().Face().Top(), 0);
    Run("*basepointset m");
    EXPECT_EQ(e.Scene().MiniFace(1).Left(), kWidth / 2 - 10);
    EXPECT_EQ(e.Scene().MiniFace(1).Top(), kHeight / 2 - 5);
    Run("*basepointset q 1");  // names no layer
    Run("*basepointset");
    EXPECT_EQ(e.Scene().Face().Right(), kWidth);
    EXPECT_TRUE(Records().empty());
}

TEST_F(CommandTest, SoundChannelsStopBeforeTheyLoadAndKeepTheirNames) {
    // No sound device here: every load fails silently and nothing is played.
    TVelmor& e = Start("x\n");
    Run("*bgm a.ogg");
    Run("*bgm a.ogg");  // the same music restarts
    EXPECT_EQ(e.Channels().File(0), "a.ogg");
    Run("*bgm");
    EXPECT_EQ(m_Seen.sounds, (TStringList{"0 1 a.ogg", "0 3 ", "0 1 a.ogg", "0 3 "}));
    EXPECT_EQ(e.Channels().File(0), "");
    m_Seen.sounds.clear();
    Run("*bge wind.ogg");
    Run("*sound door.wav");
    Run("*sound bell.wav");
    EXPECT_EQ(e.Channels().SoundPlayedPosition().Line, -1);  // nothing loaded, nothing recorded
    Run("*v hello.ogg");
    EXPECT_EQ(m_Seen.sounds, (TStringList{"1 1 wind.ogg", "2 1 door.wav", "2 3 door.wav",
                                          "2 1 bell.wav", "3 1 hello.ogg"}));
    m_Seen.sounds.clear();
    // In skip mode a voice stops the last one and plays nothing.
    e.Flow().Skip = true;
    Run("*v again.ogg");
    EXPECT_EQ(m_Seen.sounds, (TStringList{"3 3 hello.ogg"}));
    EXPECT_EQ(e.Channels().File(3), "");
    EXPECT_EQ(e.Channels().File(2), "bell.wav");
    Run("*sound");
    EXPECT_EQ(e.Channels().File(2), "");
    EXPECT_TRUE(Records().empty());
}

TEST_F(CommandTest, CDRequestsAndTrack) {
    TVelmor& e = Start("?t = 4\n");
    e.Interpreter().Tick();
    std::vector<TCDRequest> requests;
    e.Hooks().cdControl = ([&](TCDRequest r) { requests.push_back(r); });
    Run("*cd replay");  // no track yet: nothing
    Run("*cd 3");
    EXPECT_EQ(e.Channels().CDTrack(), 3);
    Run("*cd pause");
    Run("*cd REPLAY");
    Run("*cd t");
    EXPECT_EQ(e.Channels().CDTrack(), 4);
    Run("*cd 0");
    Run("*cd nothing");
    EXPECT_EQ(e.Channels().CDTrack(), 4);
    Run("*cd");
    EXPECT_EQ(e.Channels().CDTrack(), 0);
    EXPECT_EQ(requests, (std::vector<TCDRequest>{TCDRequest::PlayNotify, TCDRequest::Pause,
                                                 TCDRequest::Replay, TCDRequest::PlayNotify,
                                                 TCDRequest::Stop}));
    EXPECT_EQ(Records(),
              (TStringList{"scriptCommandExecute : パラメータが異常です param=0",
                           "scriptCommandExecute : パラメータが異常です param=nothing"}));
}

TEST_F(CommandTest, MovieModeWithAndWithoutAPlayer) {
    TVelmor& e = Start("x\n");
    e.Flow().Skip = true;
    Run("*avi intro.avi");  // no player: straight back to the script
    EXPECT_FALSE(e.Flow().Skip);
    EXPECT_EQ(m_Seen.modes, (std::vector<int>{3, 1}));
    EXPECT_EQ(e.Mode(), TGameMode::Script);
    std::string opened;
    e.Hooks().moviePlayer = ([&](const std::string& path) {
        opened = path;
        return true;
    });
    Run("*avi intro.avi");
    EXPECT_EQ(opened, "intro.avi");
    EXPECT_EQ(e.Mode(), TGameMode::Movie);
    EXPECT_TRUE(Records().empty());
    Run("*avi");  // stays in movie mode until the next input
    EXPECT_EQ(e.Mode(), TGameMode::Movie);
    EXPECT_EQ(Records(), (TStringList{"scriptCommandExecute : avi コマンドの引数が足りません"}));
    e.ModeObject().Input(TInputCode::Confirm, -1, -1);
    EXPECT_EQ(e.Mode(), TGameMode::Script);
}

}  // namespace
