// The plug-in README's examples, C and C++, cut out of the README, built with the one command
// each shows and played through the headless runner: what a game author outside the project
// tree would do. And the header's prototypes, which refuse an export of the wrong signature.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
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

// Runs the shell command line in folder; its error output when it fails.
bool Shell(const std::string& folder, const std::string& line, std::string* errors = nullptr) {
    QProcess cc;
    cc.setWorkingDirectory(QString::fromStdString(folder));
    cc.start("sh", {"-c", QString::fromStdString(line)});
    if (!cc.waitForFinished(60000)) return false;
    if (errors) *errors = cc.readAllStandardError().toStdString();
    return cc.exitStatus() == QProcess::NormalExit && cc.exitCode() == 0;
}

// The README's command that builds file, its include folder pointed at this tree's header.
std::string BuildLine(const std::string& readme, const std::string& compiler,
                      const std::string& file) {
    std::smatch command;
    if (!std::regex_search(readme, command,
                           std::regex("\n    (" + compiler + " [^\n]*" + file + ")\n")))
        return {};
    return std::regex_replace(command[1].str(), std::regex("-I[^ ]+"),
                              "-I" + std::string(VELMOR_SOURCE_DIR) + "/plugin");
}

// The runner's play of the game with its "inputs.txt": the last message and the end event.
struct Played {
    std::string lastMessage;
    QJsonObject end;
};
Played Play(const TempFolder& game) {
    TempFolder home;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
    p.setProcessEnvironment(env);
    p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
            {"--inputs", QString::fromStdString(game.Str() + "inputs.txt"),
             QString::fromStdString(game.Str() + "game.vsc")});
    Played played;
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    for (const QByteArray& json : p.readAllStandardOutput().split('\n')) {
        const QJsonObject e = QJsonDocument::fromJson(json).object();
        if (e["event"] == "message") played.lastMessage = e["text"].toString().toStdString();
        if (e["event"] == "end") played.end = e;
    }
    return played;
}

TEST(PluginReadme, TheExampleBuildsWithOneCommandAndPlays) {
    const std::string readme = ReadText(std::string(VELMOR_SOURCE_DIR) + "/plugin/README.md");
    const size_t start = readme.find("```c\n");
    ASSERT_NE(start, std::string::npos);
    const size_t end = readme.find("```", start + 5);
    ASSERT_NE(end, std::string::npos);
    const std::string line = BuildLine(readme, "cc", "clicks\\.c");
    ASSERT_FALSE(line.empty());

    TempFolder game;
    game.WriteBytes("clicks.c", readme.substr(start + 5, end - start - 5));
    std::string errors;
    ASSERT_TRUE(Shell(game.Str(), line, &errors)) << line << "\n" << errors;

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
        const Played played = Play(game);
        EXPECT_EQ(played.lastMessage, c.message);
        EXPECT_EQ(played.end["variables"].toObject()["clicks"].toInt(), c.clicks);
    }
    // The squares the plug-in drew at the first two clicks, on its dark screen.
    const QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(10, 10) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(image.pixel(150, 100) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(image.pixel(80, 60) & 0xFFFFFF, 0x202020u);
}

TEST(PluginReadme, TheCppExampleBuildsWithGxxAndPlaysWithKeysAndText) {
    const std::string readme = ReadText(std::string(VELMOR_SOURCE_DIR) + "/plugin/README.md");
    const size_t start = readme.find("```cpp\n");
    ASSERT_NE(start, std::string::npos);
    const size_t end = readme.find("```", start + 7);
    ASSERT_NE(end, std::string::npos);
    const std::string line = BuildLine(readme, "g\\+\\+", "ask\\.cpp");
    ASSERT_FALSE(line.empty());
    TempFolder game;
    game.WriteBytes("ask.cpp", readme.substr(start + 7, end - start - 7));
    std::string errors;
    ASSERT_TRUE(Shell(game.Str(), line, &errors)) << line << "\n" << errors;

    game.WriteSjis("game.vsc",
                   "<velmor>\nStartScript=start.txt\n</velmor>\n<Screen>\nWidth=160\nHeight=120\n"
                   "</Screen>\n<Font>\nFontHeightPercent=8\n</Font>\n");
    game.WriteSjis("game.vss", "<SystemState>\nMessageAnimation=0\n</SystemState>\n");
    game.WriteSjis("start.txt",
                   "#start\n:dllopen ask.dll\n:dllattach Continue?\n:dllclose\n"
                   "?answer == 1 jump yes\nstopped\n%\n#yes\ngoing on\n%\n");
    const std::string shot = game.Str() + "shot.png";
    struct Case {
        const char* key;
        const char* message;
        int answer;
    };
    for (const Case& c : {Case{"Y", "going on", 1}, Case{"N", "stopped", 0}}) {
        SCOPED_TRACE(c.key);
        // Other keys, and releases, leave the question open.
        game.WriteBytes("inputs.txt", "wait 100\nshot " + shot + "\nkey A\nkey " + c.key + "\n");
        const Played played = Play(game);
        EXPECT_EQ(played.lastMessage, c.message);
        EXPECT_EQ(played.end["variables"].toObject()["answer"].toInt(), c.answer);
    }
    // The question (a font of 15 pixels), white with its black outline, on the dark screen.
    const QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull());
    int white = 0, black = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 160; ++x) {
            const QRgb p = image.pixel(x, y);
            white += std::min({qRed(p), qGreen(p), qBlue(p)}) > 200;
            black += (p & 0xFFFFFF) == 0;
        }
    EXPECT_GT(white, 30);
    EXPECT_GT(black, white);
    EXPECT_EQ(image.pixel(150, 110) & 0xFFFFFF, 0x202020u);
}

TEST(PluginReadme, AnExportOfTheWrongSignatureDoesNotCompile) {
    const std::string include = " -I" + std::string(VELMOR_SOURCE_DIR) + "/plugin ";
    struct Case {
        const char* file;
        const char* code;
        bool compiles;
    };
    const Case cases[] = {
        {"right.c", "VELMOR_PLUGIN_EXPORT void OnInput(const VelmorPoint* p) { (void)p; }", true},
        {"wrong.c", "VELMOR_PLUGIN_EXPORT void OnInput(VelmorPoint p) { (void)p; }", false},
        {"wrong_result.c", "VELMOR_PLUGIN_EXPORT int Clock(void) { return 0; }", false},
        {"right.cpp", "VELMOR_PLUGIN_EXPORT void OnKey(const VelmorKeyEvent*) {}", true},
        {"wrong.cpp", "VELMOR_PLUGIN_EXPORT void OnKey(VelmorKeyEvent) {}", false},
        {"wrong_attach.cpp",
         "VELMOR_PLUGIN_EXPORT unsigned char Attach(char*, const VelmorScript*) { return 1; }",
         false},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = c.file;
        const bool cpp = file.ends_with(".cpp");
        folder.WriteBytes(
            file, std::string("#include <velmor_plugin.h>\nVELMOR_PLUGIN_DECLARE(\"x\");\n") +
                      c.code + "\n");
        std::string errors;
        const std::string line = std::string(cpp ? "g++ -std=c++17" : "cc -std=c99") +
                                 " -Wall -Werror -shared -fPIC -fvisibility=hidden" + include +
                                 "-o out.so " + file;
        EXPECT_EQ(Shell(folder.Str(), line, &errors), c.compiles) << errors;
        // The info export is visible with C linkage in both languages.
        if (c.compiles) {
            EXPECT_TRUE(
                Shell(folder.Str(), "nm -D --defined-only out.so | grep -qx '.* VelmorPlugin'"));
        }
    }
}

}  // namespace
