// A downloaded game names the player's files in its project file and its data: whatever it
// writes there, the engine writes only in the per-user folder and reads nothing outside.
#include <filesystem>

#include "platform/game_folders.h"
#include "tests/engine/command_fixture.h"

namespace {

namespace fs = std::filesystem;

class HostileProjectTest : public CommandTest {
protected:
    std::string Game() const { return m_Dir.Str() + "game/"; }
    void Play(const std::string& velmorKeys) {
        m_Dir.WriteSjis("game/game.vsc", "<velmor>\nStartScript=start.txt\n" + velmorKeys +
                                             "</velmor>\n<Screen>\nWidth=160\nHeight=120\n"
                                             "</Screen>\n");
        m_Dir.WriteSjis("game/start.txt", "#start\nはじまり\n:sceneset evil\n%\n");
        platform::FileSystem::SetCurrentFolder(Game());
        platform::GameFolders::Confine({Game()});
        m_Engine = std::make_unique<TVelmor>(Game() + "game.vsc", SJ("ＭＳ ゴシック"),
                                             EngineServices(m_DllRes.get(), nullptr, &m_Errors));
        m_Engine->SystemState().EventScene.push_back("echo owned");
        m_Engine->WriteSystemState();
    }
    // Every file below root, as paths.
    static std::vector<std::string> Files(const std::string& root) {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (e.is_regular_file()) out.push_back(e.path().string());
        return out;
    }
    platform::GameFolders::Scope m_Restore;
};

TEST_F(HostileProjectTest, StateNamesStayInThePerUserFolder) {
    const std::string victim = m_Dir.Str() + "victim.sh";
    const std::string absolute = m_Dir.Str() + "victim.sh";
    const std::vector<std::string> hostile = {
        "..\\victim.sh",  "../victim.sh", absolute, "\\" + absolute, "c:\\victim.sh",
        "\x81/../victim.sh", "..", std::string(3000, 'v'), "\\\\server\\share\\victim.sh",
    };
    for (const std::string& name : hostile) {
        SCOPED_TRACE(name.substr(0, 60));
        m_Dir.WriteBytes("victim.sh", "#!/bin/sh\n");
        Play("VssFileName=" + name + "\nCompany=" + name + "\nProduct=../../" + name + "\n");
        const std::string state = platform::FileSystem::ToHostPath(m_Engine->SystemStatePath());
        m_Engine.reset();
        EXPECT_EQ(m_Dir.ReadUtf8(victim), "#!/bin/sh\n");
        EXPECT_EQ(state.rfind(m_Home.Str() + "velmor/", 0), 0u) << state;
        EXPECT_EQ(fs::path(state).filename(), "game.vss");
        for (const std::string& f : Files(m_Dir.Str()))
            EXPECT_TRUE(f == victim || f.rfind(Game(), 0) == 0) << f;
        for (const std::string& f : Files(Game()))
            EXPECT_TRUE(f == Game() + "game.vsc" || f == Game() + "start.txt") << f;
        // Said, not silently replaced: the author meant another file.
        ASSERT_FALSE(m_Errors.empty());
        EXPECT_NE(m_Errors.front().find("VssFileName"), std::string::npos);
        m_Errors.clear();
        fs::remove_all(m_Home.Str() + "velmor");
    }
}

// A state file in a folder of the project is where the original keeps the player's progress:
// read and written there, its save folder beside it, and nothing written anywhere else.
TEST_F(HostileProjectTest, StateFileInASubfolderOfTheProject) {
    for (const std::string& name : {std::string("save\\game.vss"), std::string("save/game.vss")}) {
        SCOPED_TRACE(name);
        m_Dir.WriteSjis("game/save/game.vss",
                        "<SystemState>\nMessageAnimationSpeed=37\n</SystemState>\n");
        Play("VssFileName=" + name + "\n");
        EXPECT_EQ(platform::FileSystem::ToHostPath(m_Engine->SystemStatePath()),
                  Game() + "save/game.vss");
        EXPECT_EQ(m_Engine->SystemState().MessageAnimationSpeed, 37);
        EXPECT_TRUE(platform::FileSystem::ForceDirectories("save\\game"));
        EXPECT_TRUE(platform::FileSystem::WriteFileAtomic("save\\game\\1.vsd", {'x'}));
        EXPECT_FALSE(platform::FileSystem::WriteFileAtomic("save\\other.txt", {'x'}));
        m_Engine.reset();
        EXPECT_NE(m_Dir.ReadUtf8(Game() + "save/game.vss").find("echo owned"), std::string::npos);
        EXPECT_TRUE(fs::exists(Game() + "save/game/1.vsd"));
        EXPECT_FALSE(fs::exists(m_Home.Str() + "velmor"));
        fs::remove_all(Game() + "save");
    }
}

TEST_F(HostileProjectTest, ScriptsAndSavesReadNothingOutside) {
    m_Dir.WriteSjis("secret.txt", "#start\nsecret\n");
    Play("");
    for (const std::string& name :
         {std::string("..\\secret.txt"), std::string("../secret.txt"), m_Dir.Str() + "secret.txt",
          std::string("\x81/../secret.txt"), std::string("/etc/passwd")}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(m_Engine->Script().Load(name));
        EXPECT_FALSE(platform::FileSystem::FileExists(name));
    }
    EXPECT_EQ(m_Engine->Script().Position().Script, "start.txt");
}

}  // namespace
