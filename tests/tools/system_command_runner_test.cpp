// System commands played by the headless runner, and the demo played from its loose files and
// from its scrambled archives.
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

namespace fs = std::filesystem;

struct Transcript {
    int status = -1;
    std::string err;
    std::vector<QJsonObject> events;
    std::vector<std::string> Of(const char* event, const char* field) const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e["event"].toString() == event) out.push_back(e[field].toString().toStdString());
        return out;
    }
    QJsonObject End() const { return events.empty() ? QJsonObject() : events.back(); }
};

// A run of the runner; each gets a data folder of its own, so no run sees another's read
// paragraphs. Runs may overlap.
class RunnerRun {
public:
    RunnerRun(const std::string& project, QStringList args) {
        args << QString::fromStdString(project);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(m_Home.Str()));
        m_Process.setProcessEnvironment(env);
        m_Process.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless", args);
    }
    Transcript Finish() {
        Transcript run;
        if (!m_Process.waitForFinished(120000)) return run;
        run.status = m_Process.exitStatus() == QProcess::NormalExit ? m_Process.exitCode() : -1;
        run.err = m_Process.readAllStandardError().toStdString();
        for (const QByteArray& line : m_Process.readAllStandardOutput().split('\n')) {
            if (line.isEmpty()) continue;
            QJsonParseError error;
            const auto doc = QJsonDocument::fromJson(line, &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
            run.events.push_back(doc.object());
        }
        return run;
    }

private:
    TempFolder m_Home;
    QProcess m_Process;
};

Transcript Play(const std::string& project, QStringList args) {
    return RunnerRun(project, std::move(args)).Finish();
}

QString Compact(const QJsonObject& event) {
    return QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact));
}

TEST(SystemCommandRunnerTest, TitleJunctionAndTheClearedFlagAcrossATitleReturn) {
    TempFolder dir;
    dir.WriteSjis("game.vsc",
                  "<velmor>\nTitle=試験\nStartScript=start.txt\n</velmor>\n"
                  "<Screen>\nWidth=160\nHeight=120\n</Screen>\n");
    dir.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n");
    dir.WriteSjis("route.ini", "<Pick>\nvelmor@finished,*,#done\n*,#again\n</Pick>\n");
    dir.WriteSjis("start.txt",
                  "#start\n?velmor@FINISHED == 1 jump done\n:title\n?seen = 1\n:popup 0\n"
                  "タイトル\n:junction route.ini Pick\n%\n#again\n:sceneset 一幕\n:FINISHED\n"
                  ":titlereturn\n#done\n:junction route.ini Nothing\n:popup x\n終わり\n%\n");
    const Transcript run = Play(dir.Str() + "game.vsc", {"--auto"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.Of("message", "text"), (std::vector<std::string>{"タイトル", "終わり"}));
    EXPECT_EQ(run.Of("jump", "paragraph"), (std::vector<std::string>{"#again", "#start", "#done"}));
    EXPECT_EQ(run.Of("record", "text").size(), 2u);
    const QJsonObject end = run.End();
    EXPECT_EQ(end["reason"].toString(), "scenario-end");
    EXPECT_EQ(end["paragraph"].toString(), "#done");
    const QJsonObject vars = end["variables"].toObject();
    EXPECT_EQ(vars["velmor@FINISHED"].toInt(), 1);
    // The title return cleared the variables set after the title.
    EXPECT_FALSE(vars.contains("seen"));
}

TEST(SystemCommandRunnerTest, DemoPlaysTheSameFromLooseFilesAndFromItsArchives) {
    const fs::path loose = fs::path(VELMOR_BINARY_DIR) / "demo-game" / "demo.vsc";
    const fs::path packed = fs::path(VELMOR_BINARY_DIR) / "demo-packed" / "demo.vsc";
    ASSERT_TRUE(fs::exists(loose));
    ASSERT_TRUE(fs::exists(packed));
    // Nothing but the project file beside the packed game, and its plug-in, which can only be
    // loaded from a file: the rest must come from the archives of its list.
    std::vector<std::string> beside;
    for (const auto& entry : fs::directory_iterator(packed.parent_path()))
        beside.push_back(entry.path().filename().string());
    std::sort(beside.begin(), beside.end());
    EXPECT_EQ(beside, (std::vector<std::string>{"demo.vsc", "lighthouse.so"}));

    // The storm ending: it uses the most pictures and sounds.
    {
        const QStringList args{"--auto", "--choices", "1"};
        RunnerRun looseRun(loose.string(), args), packedRun(packed.string(), args);
        const Transcript a = looseRun.Finish();
        const Transcript b = packedRun.Finish();
        EXPECT_NE(Compact(b.End()).indexOf(".`a0"), -1);
        ASSERT_EQ(a.status, 0) << a.err;
        ASSERT_EQ(b.status, 0) << b.err;
        EXPECT_EQ(a.End()["reason"].toString(), "scenario-end");
        EXPECT_GE(a.Of("message", "text").size(), 8u);
        // The junction table took the game into its second script.
        const auto scripts = a.Of("jump", "script");
        EXPECT_NE(std::find(scripts.begin(), scripts.end(), "night.txt"), scripts.end());
        // Every picture, sound and table was found in the archives.
        EXPECT_EQ(b.Of("record", "text"), std::vector<std::string>{});
        // The packed scripts name their files with the scramble extension; apart from that
        // the runs are the same event for event, times included.
        ASSERT_EQ(a.events.size(), b.events.size());
        for (size_t i = 0; i < a.events.size(); ++i)
            EXPECT_EQ(Compact(a.events[i]),
                      Compact(b.events[i]).replace(QString::fromLatin1(".`a0"), QString()))
                << "event " << i;
    }
}

// What an author does: pack the game folder scrambled, let the packer rewrite the names in the
// scripts, and ship the rewritten project beside the archive.
TEST(SystemCommandRunnerTest, DemoPackedWithRewrittenScriptsPlaysLikeTheLooseOne) {
    const fs::path loose = fs::path(VELMOR_BINARY_DIR) / "demo-game" / "demo.vsc";
    TempFolder dir;
    const fs::path out = dir.Path() / "shipped";
    QProcess pack;
    pack.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-pack",
               {"create", "--format", "bcl", "--scramble", "--rewrite-scripts",
                QString::fromStdString(out.string()),
                QString::fromStdString((out / "demo.bcl").string()),
                QString::fromStdString(loose.parent_path().string())});
    ASSERT_TRUE(pack.waitForFinished(120000));
    ASSERT_EQ(pack.exitCode(), 0) << pack.readAllStandardError().toStdString();
    ASSERT_TRUE(fs::exists(out / "demo.vsc"));

    const QStringList args{"--auto", "--choices", "0"};
    RunnerRun looseRun(loose.string(), args), packedRun((out / "demo.vsc").string(), args);
    const Transcript a = looseRun.Finish();
    const Transcript b = packedRun.Finish();
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(b.End()["reason"].toString(), "scenario-end");
    EXPECT_NE(Compact(b.End()).indexOf(".`a0"), -1);
    EXPECT_EQ(b.Of("record", "text"), std::vector<std::string>{});
    ASSERT_EQ(a.events.size(), b.events.size());
    for (size_t i = 0; i < a.events.size(); ++i)
        EXPECT_EQ(Compact(a.events[i]),
                  Compact(b.events[i]).replace(QString::fromLatin1(".`a0"), QString()))
            << "event " << i;
}

}  // namespace
