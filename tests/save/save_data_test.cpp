#include "save/save_data.h"

#include <filesystem>

#include "platform/game_folders.h"
#include "resources/colour_text.h"
#include "resources/xini_file.h"
#include "save/save_game.h"
#include "tests/engine/command_fixture.h"

namespace {

class SaveDataTest : public CommandTest {
protected:
    TVelmor& StartGame() {
        TVelmor& e = Start("#start\nはじまり\n#north\n北\n", "<MiniFace>\nCount=3\n</MiniFace>\n");
        Picture("bg.png", 8, 8);
        Picture("ann1.png", 4, 4);
        Picture("bob1.png", 4, 4);
        return e;
    }
    std::string Data(const std::string& utf8Name) const { return m_Dir.Str() + "game/" + utf8Name; }
    std::string Save(TSaveData& saves, const std::string& utf8Name, const std::string& comment) {
        saves.dataWrite(SJ(utf8Name), "2026/12/09", "15:00:00", SJ(comment));
        return SJ(utf8Name);
    }
    TStringList ListLines() const {
        TXiniFile state(m_Dir.Str() + "game.vss", true);
        TStringList lines;
        state.ReadSectionLines("SaveData", lines);
        for (auto& l : lines) l = platform::SjisToUtf8(l);
        return lines;
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& r : m_Boxes.Records()) out.push_back(platform::SjisToUtf8(r.text));
        return out;
    }
};

TEST_F(SaveDataTest, AGameReadsBackAsItWasSaved) {
    TVelmor& e = StartGame();
    Run("*b bg.png");
    Run("*m ann1.png");
    Run("*m bob1.png");
    e.Scene().MiniFace(1).SetVisible(false);
    e.Variables().Set(SJ("好感度"), -7);
    e.Variables().Set("flag", 1);
    Run("*addsel 北へ #north");
    Run("*addsel 南へ #south other.txt");
    e.Choices().Restore(2, nullptr, 0);
    e.Channels().SetFile(0, "music.ogg");
    e.Channels().SetFile(3, "voice.wav");
    e.Channels().SetSoundPlayedPosition({"start.txt", 3, ""});
    e.Script().SetTitle(true, {"start.txt", 1, "#start"});
    e.Script().Position() = TVelmorScriptPosition{"start.txt", 2, "#north"};

    TSaveData saves(e);
    EXPECT_EQ(TSaveData::NewName(saves.Entries()), SJ("データ1"));
    Save(saves, "データ1", "北の分かれ道");
    // The save folder sits beside the system-state file; the data file has no extension.
    EXPECT_TRUE(std::filesystem::is_regular_file(Data("データ1")));
    EXPECT_EQ(TSaveData::NewName(saves.Entries()), SJ("データ2"));

    // Play on, changing everything the save holds.
    const auto saved = TSaveGame(e.Snapshot());
    Run("*m ann1.png");
    e.Variables().ClearAll(e.SystemState().Finished);
    e.Variables().Set("other", 3);
    e.Channels().SetFile(0, "");
    e.Scene().Background().SetVisible(false);
    e.Script().SetTitle(false, {});
    e.Script().Position() = TVelmorScriptPosition{"start.txt", 0, "#start"};

    ASSERT_TRUE(saves.dataRead(SJ("データ1")));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(e.Script().Position().Line, 2);
    EXPECT_EQ(e.Script().Position().Paragraph, "#north");
    EXPECT_EQ(e.Scene().Background().FileName(), "bg.png");
    EXPECT_TRUE(e.Scene().Background().Visible());
    EXPECT_EQ(e.Scene().MiniFaceSlot(), saved.MiniFaceDrawIndex);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(e.Scene().MiniFaceKey(i), (*saved.MiniFaceKeys)[i]) << i;
        EXPECT_EQ(e.Scene().MiniFace(i).FileName(), (*saved.MiniFacePictures)[i]) << i;
        EXPECT_EQ(e.Scene().MiniFace(i).Visible(), (*saved.MiniVisible)[i]) << i;
    }
    int32_t v = 0;
    EXPECT_TRUE(e.Variables().Get(SJ("好感度"), v));
    EXPECT_EQ(v, -7);
    EXPECT_FALSE(e.Variables().Get("other", v));
    ASSERT_EQ(e.Choices().Count(), 2);
    EXPECT_EQ(e.Choices().At(0).Caption, SJ("北へ"));
    EXPECT_EQ(e.Choices().At(0).Script, "");
    EXPECT_EQ(e.Choices().At(1).Script, "other.txt");
    EXPECT_EQ(e.Channels().File(0), "music.ogg");
    EXPECT_EQ(e.Channels().File(3), "voice.wav");
    EXPECT_EQ(e.Channels().SoundPlayedPosition().Line, 3);
    EXPECT_TRUE(e.Script().InTitle());
    EXPECT_EQ(e.Script().TitlePosition().Paragraph, "#start");
}

TEST_F(SaveDataTest, TheListKeepsItsOrderAndForgetsSavesWithoutData) {
    TVelmor& e = StartGame();
    TSaveData saves(e);
    Save(saves, "データ1", "一");
    Save(saves, "データ2", "二, そして三");
    Save(saves, "データ1", "上書き");
    auto lines = ListLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "データ1,2026/12/09,15:00:00,上書き");
    // A comment with a comma is listed only up to it.
    auto entries = saves.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(platform::SjisToUtf8(entries[1].Comment), "二");

    // A data file removed by hand: not listed, its name free again, and reusing it replaces
    // the old line in place.
    std::filesystem::remove(Data("データ1"));
    entries = saves.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(TSaveData::NewName(entries), SJ("データ1"));
    Save(saves, "データ1", "新しい");
    lines = ListLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "データ1,2026/12/09,15:00:00,新しい");

    // Rewriting a comment touches only the list; deleting removes line and file.
    EXPECT_TRUE(saves.dataUpdate(SJ("データ2"), "2027/01/01", "09:00:00", SJ("改")));
    EXPECT_EQ(ListLines()[1], "データ2,2027/01/01,09:00:00,改");
    EXPECT_FALSE(saves.dataUpdate(SJ("データ9"), "d", "t", "c"));
    EXPECT_EQ(Messages().back(), "データ9 の実データは見つかりませんでした");
    saves.dataDelete(SJ("データ2"));
    EXPECT_EQ(ListLines().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(Data("データ2")));
    // The system state written at shutdown keeps the list.
    e.WriteSystemState();
    EXPECT_EQ(ListLines().size(), 1u);
}

TEST_F(SaveDataTest, ADamagedSaveIsRefusedAndChangesNothing) {
    TVelmor& e = StartGame();
    TSaveData saves(e);
    e.Variables().Set("keep", 5);
    Save(saves, "データ1", "");
    e.Variables().Set("keep", 6);

    const std::string file = Data("データ1");
    auto rewrite = [&](const std::string& from, const std::string& to) {
        std::string text = m_Dir.ReadUtf8(file);
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        m_Dir.WriteSjis("game/データ1", text);
    };
    rewrite("keep=5", "keep=five");
    EXPECT_FALSE(saves.dataRead(SJ("データ1")));
    EXPECT_EQ(Messages().back(), "セーブデータ\"データ1\"が異常です");
    int32_t v = 0;
    EXPECT_TRUE(e.Variables().Get("keep", v));
    EXPECT_EQ(v, 6);

    // Lines with nothing after "=" are skipped; an empty name is a name.
    rewrite("keep=five", "flag=\r\n=5");
    ASSERT_TRUE(saves.dataRead(SJ("データ1")));
    EXPECT_FALSE(e.Variables().Get("flag", v));
    ASSERT_EQ(e.Variables().List().size(), 2u);  // the finished flag and the nameless one
    EXPECT_EQ(e.Variables().List()[1].Name, "");

    rewrite("GameMode=1", "GameMode=99");
    EXPECT_FALSE(saves.dataRead(SJ("データ1")));

    EXPECT_FALSE(saves.dataRead(SJ("データ7")));
    EXPECT_EQ(Messages().back(), "セーブデータ\"データ7\"が異常です");
    std::filesystem::remove(file);
    EXPECT_FALSE(saves.dataRead(SJ("データ1")));
    EXPECT_NE(Messages().back().find("がみつかりません"), std::string::npos);
}

TEST_F(SaveDataTest, ValuesFromOtherWritersReadAsTheEngineMeansThem) {
    TVelmor& e = StartGame();
    TSaveData saves(e);
    Save(saves, "データ1", "");
    // A writer that leaves out keys ours always writes made a file that is refused whole.
    m_Dir.WriteSjis("game/データ1",
                    "<Data>\nGameMode=1\n</Data>\n<Sprite>\nBackBaseColor=clWhite\n</Sprite>\n"
                    "<MiniFace>\nMiniFaceDrawIndex=40\nMiniVisible=1,0,2\nMiniFaceDist=,bob\n"
                    "</MiniFace>\n");
    EXPECT_FALSE(saves.dataRead(SJ("データ1")));
    EXPECT_NE(e.Scene().Background().FillColour(), 0xFFFFFFu);
    // With every key, its spellings read as the engine means them.
    m_Dir.WriteSjis("game/データ1",
                    "<Data>\nGameMode=1\nSelectorCount=0\n</Data>\n"
                    "<ScriptPresent>\nFile=start.txt\nLine=0\nParagraph=\n</ScriptPresent>\n"
                    "<JumpBuffer>\nFile=start.txt\nLine=-1\nParagraph=\n</JumpBuffer>\n"
                    "<Sprite>\nBackFileName=\nBackVisible=0\nBackBaseColor=clWhite\n"
                    "FaceFileName=\nFaceVisible=0\n</Sprite>\n<MiniFaceSprite>\n</MiniFaceSprite>\n"
                    "<MiniFace>\nMiniFaceDrawIndex=40\nMiniVisible=1,0,2\nMiniFaceDist=,bob\n"
                    "</MiniFace>\n<Variable>\n</Variable>\n<Selector>\n</Selector>\n"
                    "<Sound>\nCDTrackPresent=0\nBGMFileName=\nBGEFileName=\nSoundFileName=\n"
                    "SoundPlayedScriptFile=\nSoundPlayedScriptLine=-1\nVoiceFileName=\n"
                    "VoicePlayedScriptFile=\nVoicePlayedScriptLine=-1\n</Sound>\n"
                    "<TitleParagraph>\nTitleExist=0\nTitleScriptFile=start.txt\n"
                    "TitleScriptLine=-1\nTitleScriptParagraph=\n</TitleParagraph>\n");
    ASSERT_TRUE(saves.dataRead(SJ("データ1")));
    EXPECT_EQ(e.Scene().Background().FillColour(), 0xFFFFFFu);
    EXPECT_TRUE(e.Scene().MiniFace(0).Visible());
    EXPECT_FALSE(e.Scene().MiniFace(1).Visible());
    EXPECT_FALSE(e.Scene().MiniFace(2).Visible());
    // A rotation index past the project's slots starts over at the first.
    EXPECT_EQ(e.Scene().MiniFaceSlot(), 0);
    EXPECT_EQ(e.Scene().MiniFaceKey(0), "");
    EXPECT_EQ(e.Scene().MiniFaceKey(1), "bob");
    EXPECT_EQ(e.Script().TitlePosition().Script, "start.txt");

    uint32_t a = 0, b = 1;
    EXPECT_TRUE(yx::TryStringToColor("clWhite", a));
    EXPECT_TRUE(yx::TryStringToColor("$00FFFFFF", b));
    EXPECT_EQ(a, b);
    EXPECT_EQ(yx::ColorToString(0xFFFFFF), "clWhite");
    EXPECT_EQ(yx::ColorToString(0x123456), "$00123456");
    EXPECT_FALSE(yx::TryStringToColor("white", a));
}

TEST_F(SaveDataTest, NamesFromTheListNeverReachOutsideTheSaveFolder) {
    TVelmor& e = StartGame();
    TSaveData saves(e);
    m_Dir.WriteBytes("victim.txt", "keep");
    m_Dir.WriteSjis("game.vss", "<SaveData>\n..\\victim.txt,d,t,c\n</SaveData>\n");
    EXPECT_TRUE(saves.Entries().empty());
    saves.dataDelete("..\\victim.txt");
    EXPECT_TRUE(std::filesystem::exists(m_Dir.Path() / "victim.txt"));
    EXPECT_THROW(saves.dataWrite("../x", "d", "t", "c"), EEngineError);
}

// Whole or refused: a file cut short, without a key the writer always writes, or with a
// position outside its script, changes nothing.
TEST_F(SaveDataTest, CutOrImpossibleSavesAreRefusedWhole) {
    TVelmor& e = StartGame();
    TSaveData saves(e);
    e.Variables().Set("keep", 5);
    Save(saves, "データ1", "");
    const std::string file = Data("データ1");
    const std::string whole = m_Dir.ReadUtf8(file);
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = whole;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const std::string present = "<ScriptPresent>\r\nFile=start.txt\r\nLine=";
    const std::vector<std::string> damaged = {
        whole.substr(0, whole.size() / 2),
        whole.substr(0, whole.rfind("TitleScriptParagraph")),
        replaced("VoiceFileName=", "Voice="),
        replaced(present + "-1", present + "-100"),
        replaced(present + "-1", present + "2147483648"),
        replaced(present + "-1", present + "99999"),
        replaced(present + "-1", present + "x"),
        replaced("TitleExist=0\r\nTitleScriptFile=start.txt\r\nTitleScriptLine=-1",
                 "TitleExist=1\r\nTitleScriptFile=start.txt\r\nTitleScriptLine=77"),
    };
    e.Variables().Set("keep", 6);
    const TVelmorScriptPosition before = e.Script().Position();
    for (size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        m_Dir.WriteBytes("game/データ1", platform::Utf8ToSjis(damaged[i]));
        EXPECT_FALSE(saves.dataRead(SJ("データ1")));
        EXPECT_EQ(Messages().back(), "セーブデータ\"データ1\"が異常です");
        int32_t v = 0;
        EXPECT_TRUE(e.Variables().Get("keep", v));
        EXPECT_EQ(v, 6);
        EXPECT_EQ(e.Script().Position().Line, before.Line);
    }
    m_Dir.WriteBytes("game/データ1", platform::Utf8ToSjis(whole));
    EXPECT_TRUE(saves.dataRead(SJ("データ1")));
}

// The data is written before the list names it, and the list loses the entry before the data
// goes: a list that cannot be written keeps the data and never names a missing file.
TEST_F(SaveDataTest, ListWriteFailuresNeverLoseOrMisnameData) {
    TVelmor& e = StartGame();
    TSaveData saves(e);
    Save(saves, "データ1", "first");
    {
        platform::GameFolders::Scope restore;
        platform::GameFolders::Confine({m_Dir.Str()});
        platform::GameFolders::AllowWriteFolder(m_Dir.Str() + "game");  // not the state file
        EXPECT_THROW(saves.dataDelete(SJ("データ1")), EEngineError);
        EXPECT_TRUE(std::filesystem::exists(Data("データ1")));
        EXPECT_THROW(Save(saves, "データ2", "second"), EEngineError);
    }
    const TStringList lines = ListLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, lines[0].find(',')), "データ1");
    EXPECT_TRUE(saves.dataRead(SJ("データ1")));
}

// Temporary files a kill left behind are ours to remove the next time the folder is written;
// a file that only looks like one stays.
TEST_F(SaveDataTest, StaleTemporaryFilesGoWhenTheFolderIsWritten) {
    TVelmor& e = StartGame();
    TSaveData saves(e);
    Save(saves, "データ1", "");
    m_Dir.WriteBytes("game/.データ1.velmor-a1B2c3", "half");
    m_Dir.WriteBytes("game/データ1.tmpQ9w8e7", "half");
    m_Dir.WriteBytes("game/notes.tmpABCDEF", "mine");
    m_Dir.WriteBytes("game/.x.velmor-toolong1", "mine");
    Save(saves, "データ2", "");
    EXPECT_FALSE(std::filesystem::exists(Data(".データ1.velmor-a1B2c3")));
    EXPECT_FALSE(std::filesystem::exists(Data("データ1.tmpQ9w8e7")));
    EXPECT_TRUE(std::filesystem::exists(Data("notes.tmpABCDEF")));
    EXPECT_TRUE(std::filesystem::exists(Data(".x.velmor-toolong1")));
}

// The first number no listed name takes; names that only look like one take none.
TEST(SaveNameTest, ANewSaveTakesTheFirstFreeNumber) {
    const struct {
        std::vector<const char*> listed;
        const char* expected;
    } cases[] = {
        {{}, "データ1"},
        {{"データ1", "データ2", "データ4"}, "データ3"},
        {{"データ2", "データ1"}, "データ3"},
        {{"データ01", "データ1a", "データ", "データ99999999999999", "メモ1"}, "データ1"},
        {{"データ1", "データ3", "データ2", "データ1"}, "データ4"},
    };
    for (const auto& c : cases) {
        std::vector<TSaveData::Entry> entries;
        for (const char* name : c.listed) entries.push_back({SJ(name), "", "", ""});
        EXPECT_EQ(platform::SjisToUtf8(TSaveData::NewName(entries)), c.expected) << c.listed.size();
    }
}

}  // namespace
