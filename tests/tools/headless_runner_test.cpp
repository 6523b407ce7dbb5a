// The headless runner as game authors use it: a game folder made here, the runner started as
// a program, its JSON-lines transcript and exit status checked.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace {

struct Played {
    int status = -1;
    std::vector<QJsonObject> events;
    std::string err;
    // "event:field" of every event of that kind, in order.
    std::vector<std::string> Of(const char* event, const char* field) const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e["event"].toString() == event) {
                const QJsonValue v = e[field];
                out.push_back(v.isDouble() ? std::to_string(v.toInt())
                                           : v.toString().toStdString());
            }
        return out;
    }
    QJsonObject End() const { return events.empty() ? QJsonObject() : events.back(); }
};

class RunnerTest : public ::testing::Test {
protected:
    void Game(const std::string& script, const std::string& state = "MessageAnimation=0\n") {
        m_Dir.WriteSjis("game.vsc",
                        "<velmor>\nTitle=試験\nStartScript=start.txt\n</velmor>\n"
                        "<Screen>\nWidth=160\nHeight=120\n</Screen>\n");
        m_Dir.WriteSjis("start.txt", script);
        m_Dir.WriteSjis("game.vss", "<SystemState>\n" + state + "</SystemState>\n");
    }
    Played Play(QStringList args, const std::string& inputs = "") {
        if (!inputs.empty()) {
            m_Dir.WriteBytes("inputs.txt", inputs);
            args << "--inputs" << QString::fromStdString(m_Dir.Str() + "inputs.txt");
        }
        args << QString::fromStdString(m_Dir.Str() + "game.vsc");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(m_Home.Str()));
        p.setProcessEnvironment(env);
        // Relative shot names land in the game's folder, not where the tests run.
        p.setWorkingDirectory(QString::fromStdString(m_Dir.Str()));
        p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless", args);
        Played run;
        if (!p.waitForFinished(60000)) return run;
        run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        run.err = p.readAllStandardError().toStdString();
        for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
            if (line.isEmpty()) continue;
            QJsonParseError error;
            const auto doc = QJsonDocument::fromJson(line, &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
            run.events.push_back(doc.object());
        }
        return run;
    }

    TempFolder m_Dir;
    TempFolder m_Home;
};

TEST_F(RunnerTest, EdgeCasesOfScriptsVariablesAndJumpsInTheTranscript) {
    m_Dir.WriteSjis("other.txt", "#Far\n?far = 1\n*return\n");
    Game(
        "?a = $10\n?missing ++\n*jump start\nnot shown\n#Start\n*jump far other.txt\n*nonsense 1\n"
        "*jump b\n*jump c\n最後\n%\n#b\n*return\n#c\n*return\n");
    const Played run = Play({"--auto"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Of("jump", "paragraph"),
              (std::vector<std::string>{"#start", "#far", "#b", "#c"}));
    EXPECT_EQ(run.Of("jump", "script"),
              (std::vector<std::string>{"start.txt", "other.txt", "start.txt", "start.txt"}));
    EXPECT_EQ(
        run.Of("record", "text"),
        (std::vector<std::string>{
            "1: scriptSetFlag : 指定された変数 missing は見つかりません : ?missing ++",
            "6: scriptCommandExecute : 指定されたコマンド nonsense は存在しません : *nonsense 1"}));
    // After jump b then jump c, return resumes after jump c: the message is reached once.
    EXPECT_EQ(run.Of("message", "text"), (std::vector<std::string>{"最後"}));
    EXPECT_EQ(run.Of("fatal", "text"),
              (std::vector<std::string>{
                  "scriptAction : シナリオの終了信号を検出しました\nstart.txt:10"}));
    // The end of the scenario ends the game without a box.
    EXPECT_EQ(run.Of("box", "kind"), (std::vector<std::string>{}));
    const QJsonObject end = run.End();
    EXPECT_EQ(end["event"].toString(), "end");
    EXPECT_EQ(end["reason"].toString(), "scenario-end");
    EXPECT_EQ(end["line"].toInt(), 10);
    EXPECT_EQ(end["paragraph"].toString(), "#start");
    const QJsonObject vars = end["variables"].toObject();
    EXPECT_EQ(vars.keys().size(), 3);
    EXPECT_EQ(vars["a"].toInt(), 16);
    EXPECT_EQ(vars["far"].toInt(), 1);
    EXPECT_EQ(vars["velmor@FINISHED"].toInt(), 0);
}

TEST_F(RunnerTest, InputsDriveTheGameOnVirtualTime) {
    // Ten characters at 10 ms a step. Right after a wait, inputs go in at once: the second
    // message is completed in mid-reveal and confirmed before its last step's deadline.
    Game("あいうえおかきくけこ\nさしすせそたちつてと\n三\n", "MessageAnimationSpeed=10\n");
    const Played run = Play({}, "# a comment\nconfirm\nwait 25\nkey Enter\nclick 5 5\nshot mid.png\n");
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.Of("message", "t"), (std::vector<std::string>{"0", "100", "130"}));
    ASSERT_EQ(run.Of("shot", "file").size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(run.Of("shot", "file")[0]));
    EXPECT_EQ(run.End()["reason"].toString(), "inputs-done");
    EXPECT_EQ(run.End()["line"].toInt(), 2);
    EXPECT_EQ(run.End()["t"].toInt(), 140);
}

TEST_F(RunnerTest, FatalErrorsLineLimitsAndBadArguments) {
    Game("#a\n*jump nowhere\n");
    Played run = Play({}, "answer cancel\n");
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.Of("box", "answer"), (std::vector<std::string>{"cancel", "ok"}));
    EXPECT_EQ(run.End()["reason"].toString(), "fatal");
    EXPECT_EQ(run.End()["line"].toInt(), 1);
    // The orderly shutdown still wrote the paragraphs read.
    EXPECT_NE(m_Dir.ReadUtf8(m_Dir.Path() / "game.vss").find("<Paragraph>"), std::string::npos);

    Game("#loop\n*jump loop\n");
    run = Play({"--max-lines", "50"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.End()["reason"].toString(), "max-lines");

    EXPECT_EQ(Play({"--frobnicate"}).status, 2);
    EXPECT_EQ(Play({"--choices", "7"}).status, 2);
    std::filesystem::remove(m_Dir.Path() / "game.vsc");
    EXPECT_EQ(Play({}).status, 2);
}

}  // namespace

namespace {

TEST_F(RunnerTest, SavesAreMadeAndLoadedWithoutADialogWaiting) {
    Game("一\n二\n三\n");
    const Played run = Play({}, "saveload new 階段の前\nconfirm\nconfirm\nsaveload load 0\n"
                                "saveload delete 0\nkey F4\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Of("message", "text"),
              (std::vector<std::string>{"一", "二", "三", "一"}));
    EXPECT_EQ(run.Of("saves", "action"),
              (std::vector<std::string>{"new", "load", "delete", "close"}));
    // Loading and deleting ask first; the delete took the data file with it.
    EXPECT_EQ(run.Of("box", "text"),
              (std::vector<std::string>{"データ1 をロードしてもよろしいですか？",
                                        "データ1を削除してもよろしいですか？"}));
    EXPECT_FALSE(std::filesystem::exists(m_Dir.Path() / "game" / "データ1"));
}

}  // namespace

namespace {

TEST_F(RunnerTest, OptionsAreSetOnlyWhenTakenWithOk) {
    Game("一\n二\n三\n");
    const Played run = Play({}, "options cancel bgm=1\nkey F5\noptions ok bgm=2 speed=0 skipunread=1\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Of("options", "result"), (std::vector<std::string>{"cancel", "cancel", "ok"}));
    const std::string state = m_Dir.ReadUtf8(m_Dir.Path() / "game.vss");
    EXPECT_NE(state.find("BGMVolume=2"), std::string::npos) << state;
    EXPECT_NE(state.find("MessageAnimationSpeed=0"), std::string::npos) << state;
    EXPECT_NE(state.find("NoReadTextSkip=1"), std::string::npos) << state;
}

}  // namespace
