// The headless runner given something that is not a project file stops at once with the usage
// status, instead of asking the start-up questions nobody can answer.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace {

TEST(RunnerArgumentsTest, APathThatIsNoProjectFileIsRefused) {
    TempFolder dir;
    TempFolder home;
    dir.WriteSjis("game/game.vsc", "<velmor>\nStartScript=start.txt\n</velmor>\n");
    dir.WriteSjis("readme.txt", "text\n");
    struct Row {
        std::string path;
        const char* why;
    };
    const Row rows[] = {
        {dir.Str() + "game", "not a project file"},
        {dir.Str() + "readme.txt", "not a project file"},
        {dir.Str() + "gone.vsc", "no such file or folder"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
        p.setProcessEnvironment(env);
        p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
                {QString::fromStdString(r.path)});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 2);
        EXPECT_NE(p.readAllStandardError().toStdString().find(r.why), std::string::npos);
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    }
    EXPECT_TRUE(std::filesystem::is_empty(home.Path()));
}

}  // namespace
