// velmor-pack as game authors run it: archives it makes read back through the engine byte for
// byte, scrambled or not, and extract gives back every file under its own name.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "../support/temp_folder.h"
#include "platform/file_system.h"
#include "platform/sjis.h"
#include "resources/bcl.h"
#include "resources/bcx.h"
#include "resources/engine_key.h"
#include "resources/witch.h"

namespace fs = std::filesystem;

namespace {

std::string Tool() {
    return std::string(VELMOR_BINARY_DIR) + "/bin/velmor-pack";
}

// Runs the tool; returns its exit code and what it printed.
int Pack(const std::string& args, std::string* output = nullptr) {
    std::string out;
    FILE* pipe = popen((Tool() + " " + args + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    if (output) *output = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Every file under root: relative path with '\' (UTF-8) and content.
std::map<std::string, std::string> Files(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::string rel = e.path().lexically_relative(root).generic_string();
        for (char& c : rel)
            if (c == '/') c = '\\';
        files[rel] = ReadAll(e.path());
    }
    return files;
}

class VelmorPackTest : public ::testing::Test {
protected:
    VelmorPackTest() { m_Witch.SetKey(EngineKeyText()); }
    // Reads every file of `files` through the engine from the archive at index.
    void ExpectEngineReads(const std::string& index,
                           const std::map<std::string, std::string>& files, bool scrambled) {
        std::unique_ptr<TyxArchive> archive;
        if (index.ends_with(".bcl"))
            archive = std::make_unique<TyxBCL>(&m_Witch);
        else
            archive = std::make_unique<TyxBCX>(&m_Witch);
        ASSERT_TRUE(archive->Open(platform::FileSystem::FromHostPath(index)));
        for (const auto& [name, bytes] : files) {
            const std::string member =
                platform::Utf8ToSjis(name) + (scrambled ? m_Witch.Extension() : "");
            TMemoryStream stream;
            ASSERT_TRUE(archive->LoadStream(stream, member)) << name;
            EXPECT_EQ(std::string(stream.Data(), stream.Data() + stream.Size()), bytes) << name;
        }
    }
    TempFolder m_Dir;
    TyxWitch m_Witch{0};
};

TEST_F(VelmorPackTest, FolderRoundTripWithJapaneseNamesAndSubfolders) {
    m_Dir.WriteBytes("game/scenario/開始.txt", platform::Utf8ToSjis("「こんにちは」\r\n"));
    m_Dir.WriteBytes("game/cg/背景/bg01.png",
                     std::string("\x89PNG\r\n\x1a\n", 8) + std::string(300, '\0'));
    m_Dir.WriteBytes("game/empty.dat", "");
    m_Dir.WriteBytes("game/bgm.ogg", std::string(70000, 'o'));
    const auto files = Files(m_Dir.Path() / "game");
    for (const char* format : {"bcl", "bcx"}) {
        for (bool scramble : {false, true}) {
            SCOPED_TRACE(std::string(format) + (scramble ? " scrambled" : ""));
            const fs::path index =
                m_Dir.Path() / (std::string("out") + (scramble ? "s." : ".") + format);
            std::string out;
            ASSERT_EQ(
                Pack(std::string("create --format ") + format + (scramble ? " --scramble " : " ") +
                         Quote(index) + " " + Quote(m_Dir.Path() / "game"),
                     &out),
                0)
                << out;
            ExpectEngineReads(index.string(), files, scramble);

            ASSERT_EQ(Pack("list " + Quote(index), &out), 0) << out;
            EXPECT_NE(out.find("cg\\背景\\bg01.png"), std::string::npos) << out;
            EXPECT_EQ(out.find(".`a0") != std::string::npos, scramble) << out;

            const fs::path extracted = m_Dir.Path() / ("x-" + index.filename().string());
            ASSERT_EQ(Pack("extract " + Quote(index) + " " + Quote(extracted), &out), 0) << out;
            EXPECT_EQ(Files(extracted), files);
        }
    }
}

TEST_F(VelmorPackTest, EveryDemoFileRoundTrips) {
    const fs::path demo = fs::path(VELMOR_SOURCE_DIR) / "demo";
    ASSERT_TRUE(fs::is_directory(demo));
    auto files = Files(demo);
    ASSERT_FALSE(files.empty());
    // A folder is packed without its project file.
    ASSERT_EQ(files.erase("demo.vsc"), 1u);
    const fs::path index = m_Dir.Path() / "demo.bcl";
    std::string out;
    ASSERT_EQ(Pack("create --format bcl --scramble " + Quote(index) + " " + Quote(demo), &out), 0)
        << out;
    ExpectEngineReads(index.string(), files, true);
    ASSERT_EQ(Pack("extract " + Quote(index) + " " + Quote(m_Dir.Path() / "x"), &out), 0) << out;
    EXPECT_EQ(Files(m_Dir.Path() / "x"), files);
}

TEST_F(VelmorPackTest, NamedFilesAndRefusals) {
    m_Dir.WriteBytes("a.txt", "A");
    m_Dir.WriteBytes("sub/b.txt", "B");
    const fs::path index = m_Dir.Path() / "two.bcx";
    std::string out;
    ASSERT_EQ(Pack("create --format bcx " + Quote(index) + " " + Quote(m_Dir.Path() / "a.txt") +
                       " " + Quote(m_Dir.Path() / "sub/b.txt"),
                   &out),
              0)
        << out;
    // Named files keep their folders below the files' common parent.
    ExpectEngineReads(index.string(), {{"a.txt", "A"}, {"sub\\b.txt", "B"}}, false);

    EXPECT_EQ(Pack("create --format zip " + Quote(index) + " " + Quote(m_Dir.Path() / "a.txt")), 2);
    EXPECT_EQ(Pack("list"), 2);
    EXPECT_EQ(Pack("create --format bcl " + Quote(m_Dir.Path() / "wrong.bcx") + " " +
                   Quote(m_Dir.Path() / "a.txt")),
              1);
    EXPECT_EQ(Pack("create --format bcl " + Quote(m_Dir.Path() / "m.bcl") + " " +
                   Quote(m_Dir.Path() / "nope.txt")),
              1);
    // Same name twice: only one could ever be found.
    EXPECT_EQ(Pack("create --format bcl " + Quote(m_Dir.Path() / "d.bcl") + " " +
                       Quote(m_Dir.Path() / "a.txt") + " " + Quote(m_Dir.Path() / "a.txt"),
                   &out),
              1)
        << out;
    // A name Shift-JIS cannot hold.
    m_Dir.WriteBytes("u/\xF0\x9F\x98\x80.txt", "smile");
    EXPECT_EQ(Pack("create --format bcx " + Quote(m_Dir.Path() / "u.bcx") + " " +
                       Quote(m_Dir.Path() / "u"),
                   &out),
              1)
        << out;
    EXPECT_EQ(Pack("list " + Quote(m_Dir.Path() / "missing.bcl")), 1);
}

TEST_F(VelmorPackTest, ExtractRefusesNamesOutsideTheFolder) {
    m_Dir.WriteBytes("evil.bcd", "0123456789abcdefXYZ");
    m_Dir.WriteBytes("evil.bcl",
                     "[BinaryCombineData]\r\nevil.bcd\r\n[..\\..\\escape.txt]\r\n16\r\n3\r\n[ok."
                     "txt]\r\n16\r\n3\r\n");
    std::string out;
    EXPECT_EQ(
        Pack("extract " + Quote(m_Dir.Path() / "evil.bcl") + " " + Quote(m_Dir.Path() / "out/in"),
             &out),
        1);
    EXPECT_FALSE(fs::exists(m_Dir.Path() / "escape.txt"));
    EXPECT_EQ(ReadAll(m_Dir.Path() / "out/in/ok.txt"), "XYZ");
}

// Links already in the target folder are never written through, for a file or a folder.
TEST_F(VelmorPackTest, ExtractNeverFollowsLinksInTheTarget) {
    m_Dir.WriteBytes("links.bcd", "0123456789abcdefXYZ");
    m_Dir.WriteBytes("links.bcl",
                     "[BinaryCombineData]\r\nlinks.bcd\r\n[file.txt]\r\n16\r\n3\r\n"
                     "[sub\\in.txt]\r\n16\r\n3\r\n[ok.txt]\r\n16\r\n3\r\n");
    m_Dir.WriteBytes("outside/victim.txt", "keep");
    fs::create_directories(m_Dir.Path() / "out");
    fs::create_symlink(m_Dir.Path() / "outside/victim.txt", m_Dir.Path() / "out/file.txt");
    fs::create_directory_symlink(m_Dir.Path() / "outside", m_Dir.Path() / "out/sub");
    std::string out;
    EXPECT_EQ(Pack("extract " + Quote(m_Dir.Path() / "links.bcl") + " " + Quote(m_Dir.Path() / "out"),
                   &out),
              1);
    EXPECT_EQ(ReadAll(m_Dir.Path() / "outside/victim.txt"), "keep");
    EXPECT_FALSE(fs::exists(m_Dir.Path() / "outside/in.txt"));
    EXPECT_EQ(ReadAll(m_Dir.Path() / "out/ok.txt"), "XYZ");
}

TEST_F(VelmorPackTest, HostNamesBaseFoldersAndWhatAGameFolderHoldsBesidesItsData) {
    const std::string key = platform::SjisToUtf8(EngineKeyText());
    // A raw Shift-JIS host name, as the engine reads it, beside a UTF-8 one.
    m_Dir.WriteBytes("game/" + platform::Utf8ToSjis("開始.txt"), "start");
    m_Dir.WriteBytes("game/cg/背景.png", "png");
    m_Dir.WriteBytes("game/game.vsc", "<velmor>\r\n</velmor>\r\n");
    m_Dir.WriteBytes("game/game.vss", "state");
    m_Dir.WriteBytes("game/game/データ1", "save");
    m_Dir.WriteBytes("game/" + key, "");
    m_Dir.WriteBytes("game/work/draft.txt", "draft");
    m_Dir.WriteBytes("game/cg/layers.psd", "psd");
    const fs::path game = m_Dir.Path() / "game";
    std::string out;

    // A folder: only the game's data, minus what --exclude names.
    const fs::path data = m_Dir.Path() / "data.bcl";
    ASSERT_EQ(Pack("create --format bcl --exclude '*.psd' --exclude work " + Quote(data) + " " +
                       Quote(game),
                   &out),
              0)
        << out;
    EXPECT_EQ(out.find('\r'), std::string::npos) << "no progress bar on a pipe: " << out;
    ASSERT_EQ(Pack("list " + Quote(data), &out), 0) << out;
    EXPECT_EQ(out, "cg\\背景.png\t16\t3\n開始.txt\t19\t5\n");
    ExpectEngineReads(data.string(), {{"開始.txt", "start"}, {"cg\\背景.png", "png"}}, false);

    // Named files keep their folders below --base; named on purpose, nothing is left out.
    const fs::path named = m_Dir.Path() / "named.bcx";
    ASSERT_EQ(Pack("create --format bcx --base " + Quote(m_Dir.Path()) + " " + Quote(named) +
                       " " + Quote(game / "cg/背景.png") + " " + Quote(game / "game.vsc"),
                   &out),
              0)
        << out;
    ExpectEngineReads(named.string(),
                      {{"game\\cg\\背景.png", "png"}, {"game\\game.vsc", "<velmor>\r\n</velmor>\r\n"}},
                      false);
    // A file outside the base cannot be named below it.
    EXPECT_EQ(Pack("create --format bcx --base " + Quote(game / "cg") + " " + Quote(named) + " " +
                       Quote(game / "game.vsc"),
                   &out),
              1)
        << out;

    // Scrambling says which names the scripts must now use.
    ASSERT_EQ(Pack("create --format bcl --scramble " + Quote(m_Dir.Path() / "s.bcl") + " " +
                       Quote(game / "cg"),
                   &out),
              0)
        << out;
    EXPECT_NE(out.find("背景.png -> 背景.png.`a0"), std::string::npos) << out;
}

}  // namespace
