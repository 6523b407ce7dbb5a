// Commands and choices as the headless runner shows them: records, sound events, choice lists
// and the jumps taken.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace {

using Strings = std::vector<std::string>;

class RunnerCommandsTest : public ::testing::Test {
protected:
    void Game(const std::string& script) {
        m_Dir.WriteSjis("game.vsc",
                        "<velmor>\nStartScript=start.txt\n</velmor>\n"
                        "<Screen>\nWidth=320\nHeight=240\n</Screen>\n");
        m_Dir.WriteSjis("start.txt", script);
        m_Dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n");
    }
    // The events of one run; status in m_Status.
    std::vector<QJsonObject> Play(QStringList args, const std::string& inputs = "") {
        if (!inputs.empty()) {
            m_Dir.WriteBytes("inputs.txt", inputs);
            args << "--inputs" << QString::fromStdString(m_Dir.Str() + "inputs.txt");
        }
        args << QString::fromStdString(m_Dir.Str() + "game.vsc");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(m_Home.Str()));
        env.insert("SDL_AUDIODRIVER", "dummy");
        p.setProcessEnvironment(env);
        p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless", args);
        std::vector<QJsonObject> events;
        m_Status = -1;
        if (!p.waitForFinished(60000)) return events;
        m_Status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
            if (!line.isEmpty()) events.push_back(QJsonDocument::fromJson(line).object());
        return events;
    }
    static Strings Of(const std::vector<QJsonObject>& events, const char* event,
                      const char* field) {
        Strings out;
        for (const auto& e : events)
            if (e["event"].toString() == event) {
                const QJsonValue v = e[field];
                if (v.isArray()) {
                    std::string joined;
                    for (const auto& c : v.toArray())
                        joined += (joined.empty() ? "" : "|") + c.toString().toStdString();
                    out.push_back(joined);
                } else {
                    out.push_back(v.isDouble() ? std::to_string(v.toInt())
                                               : v.toString().toStdString());
                }
            }
        return out;
    }

    TempFolder m_Dir;
    TempFolder m_Home;
    int m_Status = -1;
};

const char* const kChoiceGame =
    "*bgm theme.ogg\n問い\n*clrsel\n*addsel 左 #left\n*addsel 右 #right\n*select\n"
    "#left\n左へ\n%\n#right\n右へ\n%\n";

TEST_F(RunnerCommandsTest, AutoTakesTheChoicesGiven) {
    Game(kChoiceGame);
    for (const auto& [choice, message] :
         {std::pair<const char*, const char*>{"0", "左へ"}, {"1", "右へ"}}) {
        const auto events = Play({"--auto", "--choices", choice});
        EXPECT_EQ(m_Status, 0);
        EXPECT_EQ(Of(events, "choices", "captions"), (Strings{"左|右"}));
        EXPECT_EQ(Of(events, "message", "text"), (Strings{"問い", message}));
        EXPECT_EQ(Of(events, "mode", "mode"), (Strings{"2", "1"}));
        EXPECT_EQ(Of(events, "sound", "file"), (Strings{"theme.ogg"}));
        EXPECT_EQ(Of(events, "record", "text").size(), 1u);  // the music is not there
        EXPECT_EQ(events.back()["reason"].toString(), "scenario-end");
    }
}

TEST_F(RunnerCommandsTest, KeysWaitForAMoveAndCodesTakeTheHighlight) {
    Game(kChoiceGame);
    // Confirm with no highlight does nothing; Down then confirm takes the first choice.
    const auto events = Play({}, "confirm\nconfirm\ncode 6\ncode 6\nconfirm\nconfirm\n");
    EXPECT_EQ(Of(events, "message", "text"), (Strings{"問い", "右へ"}));
}

TEST_F(RunnerCommandsTest, CommandRecordsCarryTheirLines) {
    Game("*b nothing.png\n*addsel only\n*wait x\n*cd 0\n*hide\n*show\n*effect sepia\nend\n");
    const auto events = Play({"--auto"});
    EXPECT_EQ(Of(events, "record", "text"),
              (Strings{"0: nothing.png が見つかりません : *b nothing.png",
                       "1: scriptCommandExecute : select コマンドの引数が足りません : *addsel only",
                       "2: scriptCommandExecute : パラメータが異常です param=x : *wait x",
                       "3: scriptCommandExecute : パラメータが異常です param=0 : *cd 0"}));
    EXPECT_EQ(Of(events, "message", "text"), (Strings{"end"}));
}

TEST_F(RunnerCommandsTest, DemoReachesBothEndingsWithoutRecords) {
    const std::string demo = std::string(VELMOR_BINARY_DIR) + "/demo-game/demo.vsc";
    if (!std::filesystem::exists(demo)) GTEST_SKIP() << "the demo game is not built";
    for (const auto& [choice, ending] :
         // The storm's mini game, left unplayed, runs out of time and ends in the dark.
         {std::pair<const char*, const char*>{"0", "#keep"}, {"1", "#dark"}}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(m_Home.Str()));
        env.insert("SDL_AUDIODRIVER", "dummy");
        p.setProcessEnvironment(env);
        p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
                {"--auto", "--choices", choice, QString::fromStdString(demo)});
        ASSERT_TRUE(p.waitForFinished(60000));
        std::vector<QJsonObject> events;
        for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
            if (!line.isEmpty()) events.push_back(QJsonDocument::fromJson(line).object());
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_EQ(Of(events, "record", "text"), Strings{});
        // The ending is taken in the picture menu, then the extras menu after the ending is a
        // text choice, left by its first item.
        EXPECT_EQ(Of(events, "choices", "captions").size(), 1u);
        int menus = 0;
        for (const auto& e : events)
            menus += e["event"].toString() == "mode" && e["mode"].toInt() == 6;
        EXPECT_EQ(menus, 1);
        EXPECT_FALSE(Of(events, "sound", "file").empty());
        const Strings jumps = Of(events, "jump", "paragraph");
        EXPECT_NE(std::find(jumps.begin(), jumps.end(), ending), jumps.end()) << ending;
        const QJsonObject end = events.back();
        EXPECT_EQ(end["reason"].toString(), "scenario-end");
        EXPECT_EQ(end["paragraph"].toString().toStdString(), "#close");
        EXPECT_EQ(end["variables"].toObject()["velmor@FINISHED"].toInt(), 1);
    }
}

}  // namespace
