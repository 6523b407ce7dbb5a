// The plug-in README's example, cut out of the README, built with the one command it shows and
// played through the headless runner: what a game author outside the project tree would do.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <fstream>
#include <regex>
#include <sstream>

#include "tests/support/temp_folder.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(PluginReadme, TheExampleBuildsWithOneCommandAndPlays) {
    const std::string readme = ReadText(std::string(VELMOR_SOURCE_DIR) + "/plugin/README.md");
    const size_t start = readme.find("```c\n");
    ASSERT_NE(start, std::string::npos);
    const size_t end = readme.find("```", start + 5);
    ASSERT_NE(end, std::string::npos);
    std::smatch command;
    ASSERT_TRUE(std::regex_search(readme, command, std::regex("\n    (cc [^\n]*clicks\\.c)\n")));

    TempFolder game;
    game.WriteBytes("clicks.c", readme.substr(start + 5, end - start - 5));
    // The command as written, with its include folder pointing at this tree's header.
    std::string line = std::regex_replace(command[1].str(), std::regex("-I[^ ]+"),
                                          "-I" + std::string(VELMOR_SOURCE_DIR) + "/plugin");
    QProcess cc;
    cc.setWorkingDirectory(QString::fromStdString(game.Str()));
    cc.start("sh", {"-c", QString::fromStdString(line)});
    ASSERT_TRUE(cc.waitForFinished(60000));
    ASSERT_EQ(cc.exitCode(), 0) << line << "\n" << cc.readAllStandardError().toStdString();

    game.WriteSjis("game.vsc",
                   "<velmor>\nStartScript=start.txt\n</velmor>\n<Screen>\nWidth=160\nHeight=120\n"
                   "</Screen>\n");
    game.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n");
    game.WriteSjis("start.txt",
                   "#start\n:dllopen clicks.dll\n:dllattach\n:dllclose\n?clicks == 3 jump all\n"
                   "timed out\n%\n#all\nthree clicks\n%\n");
    struct Case {
        const char* inputs;
        const char* message;
        int clicks;
    };
    const std::string shot = game.Str() + "shot.png";
    const Case cases[] = {
        {"", "timed out", 0},
        {"wait 100\nclick 10 10\nclick 150 100\nshot SHOT\nclick 80 60\n", "three clicks", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        game.WriteBytes("inputs.txt", std::regex_replace(c.inputs, std::regex("SHOT"), shot));
        TempFolder home;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
        p.setProcessEnvironment(env);
        p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
                {"--inputs", QString::fromStdString(game.Str() + "inputs.txt"),
                 QString::fromStdString(game.Str() + "game.vsc")});
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        std::string last;
        QJsonObject end;
        for (const QByteArray& json : p.readAllStandardOutput().split('\n')) {
            const QJsonObject e = QJsonDocument::fromJson(json).object();
            if (e["event"] == "message") last = e["text"].toString().toStdString();
            if (e["event"] == "end") end = e;
        }
        EXPECT_EQ(last, c.message);
        EXPECT_EQ(end["variables"].toObject()["clicks"].toInt(), c.clicks);
    }
    // The squares the plug-in drew at the first two clicks, on its dark screen.
    const QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(10, 10) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(image.pixel(150, 100) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(image.pixel(80, 60) & 0xFFFFFF, 0x202020u);
}

}  // namespace
