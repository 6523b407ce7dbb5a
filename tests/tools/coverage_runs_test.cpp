// Coverage over runs of the headless runner, read back by the checker: the author's example
// game's two routes together reach everything; one route alone leaves the other ending and
// its choice.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out;
};

Result Tool(const char* tool, const QStringList& args, const TempFolder& home) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
    p.setProcessEnvironment(env);
    p.start(QString(VELMOR_BINARY_DIR) + "/bin/" + tool, args);
    Result r;
    if (!p.waitForFinished(120000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    return r;
}

TEST(CoverageRunsTest, BothRoutesReachEverythingAndOneLeavesTheOtherEnding) {
    const QString game =
        QString::fromStdString((fs::path(VELMOR_BINARY_DIR) / "example-game" / "example.vsc").string());
    TempFolder dir;
    const QString report = QString::fromStdString(dir.Str() + "cov.json");
    auto play = [&](const char* choice) {
        TempFolder home;  // every run from a fresh player state
        const Result r = Tool("velmor-headless",
                             {"--auto", "--choices", choice, "--coverage", report, game}, home);
        ASSERT_EQ(r.status, 0) << r.out;
    };
    TempFolder home;
    play("0");
    const Result one = Tool("velmor-check", {"--coverage", report, game}, home);
    EXPECT_EQ(one.status, 1) << one.out;
    EXPECT_NE(one.out.find("no run reached this ending"), std::string::npos) << one.out;
    EXPECT_NE(one.out.find("start.txt:20: warning: no run took choice 1 (部屋に戻る)"),
              std::string::npos)
        << one.out;
    EXPECT_NE(one.out.find("garden.txt:18: warning: no run reached lines 18 to 21"),
              std::string::npos)
        << one.out;
    EXPECT_EQ(one.out.find("no run took choice 0"), std::string::npos) << one.out;
    EXPECT_NE(one.out.find("1 runs;"), std::string::npos) << one.out;
    // The same report drawn: the route not taken is red on the map.
    const std::string dot = dir.Str() + "map.dot";
    const Result drawn = Tool("velmor-check",
                              {"--coverage", report, "--graph", QString::fromStdString(dot), game},
                              home);
    EXPECT_EQ(drawn.status, 0);
    std::ifstream in(dot);
    const std::string map((std::istreambuf_iterator<char>(in)), {});
    const size_t choice = map.find("label=\"部屋に戻る\"");
    ASSERT_NE(choice, std::string::npos) << map;
    const size_t line = map.rfind('\n', choice);
    EXPECT_NE(map.substr(line, choice - line).find("color=\"#c0392b\""), std::string::npos)
        << map;

    play("1");
    const Result both = Tool("velmor-check", {"--coverage", report, game}, home);
    EXPECT_EQ(both.status, 0) << both.out;
    EXPECT_EQ(both.out, "2 runs; 0 parts of the game no run reached\n");
}

}  // namespace
