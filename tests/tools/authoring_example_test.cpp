// The author's guide's example game: the guide shows its files as they are, the checker finds
// nothing in it, and the runner plays both of its routes to their two endings.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/file_system.h"
#include "platform/sjis.h"
#include "tests/support/temp_folder.h"
#include "tools/velmor-check/game_checker.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

const fs::path kGame = fs::path(VELMOR_BINARY_DIR) / "example-game" / "example.vsc";

// One headless run with a data folder of its own; the last JSON line is the end event.
QJsonObject Play(const TempFolder& home, const QStringList& args, int& status) {
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
    run.setProcessEnvironment(env);
    run.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
              QStringList(args) << QString::fromStdString(kGame.string()));
    status = run.waitForFinished(120000) && run.exitStatus() == QProcess::NormalExit
                 ? run.exitCode()
                 : -1;
    const auto lines = run.readAllStandardOutput().trimmed().split('\n');
    return QJsonDocument::fromJson(lines.back()).object();
}

TEST(AuthoringExampleTest, TheGuideShowsTheExampleGameAsItIs) {
    const std::string guide = Read(fs::path(VELMOR_SOURCE_DIR) / "docs" / "authoring.md");
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(VELMOR_SOURCE_DIR) / "docs/example")) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::string text = WithoutCarriageReturns(platform::SjisToUtf8(Read(entry.path())));
        EXPECT_NE(guide.find("```\n" + text + "```\n"), std::string::npos);
        ++files;
    }
    EXPECT_EQ(files, 4);
}

TEST(AuthoringExampleTest, TheExampleIsCleanAndPlaysBothRoutesToTheirEndings) {
    ASSERT_TRUE(fs::exists(kGame));
    TGameChecker checker(platform::FileSystem::FromHostPath(kGame.string()), {});
    checker.Run();
    const auto& report = checker.Report();
    EXPECT_EQ(report.Findings().size(), 0u);
    EXPECT_EQ(checker.Scripts().size(), 2u);

    TempFolder home;
    std::set<std::string> endings;
    for (const char* choice : {"0", "1"}) {
        SCOPED_TRACE(choice);
        int status = -1;
        const QJsonObject end = Play(home, {"--auto", "--choices", choice}, status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(end["reason"].toString(), "scenario-end");
        EXPECT_EQ(end["script"].toString(), "garden.txt");
        endings.insert(end["paragraph"].toString().toStdString());
    }
    EXPECT_EQ(endings, (std::set<std::string>{"#ending", "#rest"}));
}

}  // namespace
