// The program as a player starts it from a shell: exit status and output for each kind of
// command line, and no state file left behind by one that cannot play.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>

#include "platform/file_system.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct Ran {
    int status = -1;
    std::string out, err;
};

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string game =
            "<velmor>\nTitle=試験\nStartScript=start.txt\n</velmor>\n"
            "<Screen>\nWidth=160\nHeight=120\n</Screen>\n";
        // The scenario ends on its first line, so a game that starts also ends by itself.
        m_Dir.WriteSjis("one/sub/game.vsc", game);
        m_Dir.WriteSjis("one/sub/start.txt", "%\n");
        m_Dir.WriteSjis("two/a/a.vsc", game);
        m_Dir.WriteSjis("two/b/b.vsc", game);
        m_Dir.WriteSjis("readme.txt", "not a game\n");
        m_Dir.WriteSjis("none/notes.txt", "nothing here\n");
        fs::create_directories(m_Dir.Path() / "project.vsc.d");
    }
    Ran Run(const std::string& program, QStringList args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(m_Home.Str()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(m_Home.Str()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("SDL_AUDIODRIVER", "dummy");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QString::fromStdString(m_Dir.Str()));
        p.start(QString::fromStdString(program), args);
        Ran ran;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return ran;
        }
        ran.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        ran.out = p.readAllStandardOutput().toStdString();
        ran.err = p.readAllStandardError().toStdString();
        return ran;
    }
    bool StateWritten() const {
        for (const auto& e : fs::recursive_directory_iterator(m_Home.Path()))
            if (e.path().extension() == ".vss") return true;
        for (const auto& e : fs::recursive_directory_iterator(m_Dir.Path()))
            if (e.path().extension() == ".vss") return true;
        return false;
    }

    TempFolder m_Dir;
    TempFolder m_Home;
};

TEST_F(CommandLineTest, StatusAndOutputOfEachKindOfCommandLine) {
    const std::string velmor = std::string(VELMOR_BINARY_DIR) + "/bin/velmor";
    // A copy of the program in a folder without its resource library.
    TempFolder bare;
    fs::copy_file(velmor, bare.Path() / "velmor");
    struct Row {
        const char* name;
        std::string program;
        QStringList args;
        int status;
        const char* out;  // expected in standard output ("" : nothing at all)
        // expected in standard error ("" : nothing at all; "-TEXT" : anything but TEXT)
        const char* err;
        bool state;  // a state file is written
    };
    const Row rows[] = {
        {"help", velmor, {"--help"}, 0, "usage: velmor", "", false},
        {"short help", velmor, {"-h"}, 0, "--scaling=smooth|integer", "", false},
        {"version", velmor, {"--version"}, 0, "velmor 0.1.0", "", false},
        {"missing path",
         velmor,
         {"nothere.vsc"},
         2,
         "",
         "nothere.vsc: no such file or folder",
         false},
        {"not a project", velmor, {"readme.txt"}, 2, "", "readme.txt: not a project file", false},
        {"a folder named like one", velmor, {"project.vsc.d"}, 2, "", "no project file", false},
        {"folder without a project", velmor, {"none"}, 2, "", "none: no project file", false},
        {"unknown option", velmor, {"--fast", "one"}, 2, "", "unknown option --fast", false},
        {"bad scaling", velmor, {"--scaling=blurry", "one"}, 2, "", "smooth or integer", false},
        {"two paths",
         velmor,
         {"readme.txt", "none"},
         2,
         "",
         "one project file or folder only",
         false},
        // A folder holding one project file (one level down) plays it to its end, which closes
        // the game without a message box.
        {"folder with one project",
         velmor,
         {"--scaling", "integer", "one"},
         0,
         "",
         "-シナリオの終了信号",
         true},
        {"no resource library",
         (bare.Path() / "velmor").string(),
         {QString::fromStdString(m_Dir.Str() + "one/sub/game.vsc")},
         1,
         "",
         "VELMORRC.DLL",
         false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Ran ran = Run(r.program, r.args);
        EXPECT_EQ(ran.status, r.status) << ran.err;
        if (*r.out)
            EXPECT_NE(ran.out.find(r.out), std::string::npos) << ran.out;
        else
            EXPECT_EQ(ran.out, "");
        if (*r.err == '-')
            EXPECT_EQ(ran.err.find(r.err + 1), std::string::npos) << ran.err;
        else if (*r.err)
            EXPECT_NE(ran.err.find(r.err), std::string::npos) << ran.err;
        else
            EXPECT_EQ(ran.err, "");
        EXPECT_EQ(StateWritten(), r.state);
        fs::remove_all(m_Home.Path());
        fs::create_directories(m_Home.Path());
    }
}

TEST_F(CommandLineTest, WhatTheParsedLineAsksFor) {
    const std::string root = m_Dir.Str();
    const TCommandLine one = TCommandLine::Parse({root + "one"});
    EXPECT_EQ(one.kind, TCommandLine::Kind::Play);
    EXPECT_EQ(platform::FileSystem::ToHostPath(one.project), root + "one/sub/game.vsc");
    EXPECT_EQ(one.folder, "");
    EXPECT_FALSE(one.scaling.has_value());
    EXPECT_FALSE(one.resume);
    EXPECT_TRUE(TCommandLine::Parse({"--continue", root + "one"}).resume);
    // Several: the folder is handed on for the choice; the toolkit's options are passed over.
    const TCommandLine two =
        TCommandLine::Parse({"-platform", "offscreen", "--scaling=smooth", root + "two/"});
    EXPECT_EQ(two.kind, TCommandLine::Kind::Play);
    EXPECT_EQ(two.project, "");
    EXPECT_EQ(two.folder, platform::FileSystem::FromHostPath(root + "two/"));
    EXPECT_EQ(two.scaling, TDisplayScaler::Filter::Smooth);
    const TCommandLine none = TCommandLine::Parse({});
    EXPECT_EQ(none.kind, TCommandLine::Kind::Play);
    EXPECT_EQ(none.project + none.folder, "");
    // The extension in capitals is still a project file.
    m_Dir.WriteSjis("CAPS.VSC", "<velmor>\n</velmor>\n");
    EXPECT_EQ(TCommandLine::Parse({root + "CAPS.VSC"}).project,
              platform::FileSystem::FromHostPath(root + "CAPS.VSC"));
}

}  // namespace
