// Quick saves and the automatic save on closing, played by the headless runner across several
// starts of one game; the files they leave stay readable as plain state and save files.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include "engine/velmor_system_state.h"
#include "platform/file_system.h"
#include "resources/sjis_text.h"
#include "resources/xini_file.h"
#include "resources/yxstringlib.h"
#include "save/save_game.h"
#include "tests/support/temp_folder.h"

namespace {

class ResumeRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Dir.WriteSjis("game.vsc",
                        "<velmor>\nStartScript=start.txt\n</velmor>\n"
                        "<Screen>\nWidth=320\nHeight=240\n</Screen>\n");
        m_Dir.WriteSjis("start.txt", "一\n?a = 5\n二\n?a = 7\n三\n%\n");
        m_Dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n");
    }
    // One run's events, each "event" joined by | from its field (slot:outcome for saves).
    struct Run {
        std::string boxes, messages, saves, end;
    };
    Run Play(const std::string& arg, const std::string& inputs) {
        m_Dir.WriteBytes("inputs.txt", inputs);
        QStringList args{"--inputs", QString::fromStdString(m_Dir.Str() + "inputs.txt")};
        if (!arg.empty()) args << QString::fromStdString(arg);
        args << QString::fromStdString(m_Dir.Str() + "game.vsc");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(m_Home.Str()));
        p.setProcessEnvironment(env);
        p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless", args);
        Run run;
        if (!p.waitForFinished(60000)) return run;
        auto add = [](std::string& to, const QString& text) {
            to += (to.empty() ? "" : "|") + text.toStdString();
        };
        for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
            const QJsonObject e = QJsonDocument::fromJson(line).object();
            const QString event = e["event"].toString();
            if (event == "box") add(run.boxes, e["text"].toString());
            if (event == "message") add(run.messages, e["text"].toString());
            if (event == "saves")
                add(run.saves, e["slot"].toString() + ":" + e["outcome"].toString());
            if (event == "end") run.end = e["reason"].toString().toStdString();
        }
        return run;
    }
    std::string State() const { return m_Dir.ReadUtf8(m_Dir.Path() / "game.vss"); }

    TempFolder m_Dir;
    TempFolder m_Home;
};

TEST_F(ResumeRunnerTest, AClosedGameIsOfferedAgainOnlyUntilItEndsOrIsResumed) {
    // Played without the new keys, the state file gains nothing of them.
    ASSERT_EQ(Play("", "confirm\n").messages, "一|二");
    EXPECT_EQ(State().find("<Resume>"), std::string::npos);

    struct Step {
        const char* arg;
        const char* inputs;
        Run expected;
    };
    const Step steps[] = {
        {"",
         "confirm\nkey F6\nclose\n",
         {"", "一|二", "クイックセーブ:saved|オートセーブ:saved", "closed"}},
        // The next start asks; yes goes on from there, and closing again saves anew.
        {"",
         "answer yes\nconfirm\nclose\n",
         {"前回の続きから再開しますか？", "二|三", "オートセーブ:loaded|オートセーブ:saved",
          "closed"}},
        // Not closed by the player (the runner's own end), the save stays on offer.
        {"--continue", "", {"", "三", "オートセーブ:loaded", "inputs-done"}},
        // No starts afresh; a game that then ends normally asks nothing next time.
        {"",
         "answer no\nconfirm\nconfirm\nconfirm\n",
         {"前回の続きから再開しますか？", "一|二|三", "オートセーブ:declined", "scenario-end"}},
        {"", "", {"", "一", "", "inputs-done"}},
        // The option stops the question; the quick save loads after its own.
        {"",
         "options noresume=1 ok\nconfirm\nclose\n",
         {"", "一|二", "オートセーブ:saved", "closed"}},
        {"",
         "key F7\nanswer yes\n",
         {"クイックセーブをロードしますか？", "一|二",
          "オートセーブ:declined|クイックセーブ:loaded", "inputs-done"}},
        {"",
         "key F7\nanswer no\n",
         {"クイックセーブをロードしますか？", "一", "クイックセーブ:declined", "inputs-done"}},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        const Run run = Play(steps[i].arg, steps[i].inputs);
        EXPECT_EQ(run.boxes, steps[i].expected.boxes);
        EXPECT_EQ(run.messages, steps[i].expected.messages);
        EXPECT_EQ(run.saves, steps[i].expected.saves);
        EXPECT_EQ(run.end, steps[i].expected.end);
    }

    // The files read as any state file and save data files do.
    const std::string state = platform::FileSystem::FromHostPath(m_Dir.Str() + "game.vss");
    TXiniFile ini(state, true);
    TVelmorSystemState read;
    read.Read(ini, true, true, "");
    EXPECT_FALSE(read.MessageAnimation);
    EXPECT_TRUE(read.NoResumeQuestion);
    TStringList lines;
    ASSERT_TRUE(ini.ReadSectionLines("SaveData", lines));
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines) {
        TStringList items;
        yx::Split(line, ",", items);
        ASSERT_EQ(items.size(), 4u) << line;
        EXPECT_EQ(items[3], SJ("二"));  // the message the save was taken at
        TXiniFile data(yx::ChangeFileExt(state, "") + "\\" + items[0], true);
        TSaveGame game;
        std::string error;
        EXPECT_TRUE(game.Read(data, "start.txt", error)) << error;
        EXPECT_EQ(game.Variables.size(), 2u);  // the cleared flag and a
    }
}

}  // namespace
