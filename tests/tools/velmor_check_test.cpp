// velmor-check on games with one mistake each: every finding at its line, with its level and
// text; and on the demo, loose and packed, which must come out clean.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/sjis.h"
#include "resources/archive_writer.h"
#include "resources/engine_key.h"
#include "resources/witch.h"
#include "tests/support/temp_folder.h"
#include "tools/velmor-check/game_checker.h"

namespace fs = std::filesystem;

namespace {

using Level = TCheckReport::Level;

// Just the header the checker reads: signature and IHDR.
std::string Png(uint32_t w, uint32_t h) {
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8) png += static_cast<char>(v >> s & 0xFF);
    return png + std::string("\x08\x02\0\0\0", 5);
}

std::string Le32(uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

// A PCM WAVE file, with extra chunks where given.
std::string Wave(const std::string& beforeData = {}, const std::string& afterData = {}) {
    const std::string fmt = std::string("fmt ") + Le32(16) +
                            std::string("\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\x02\0\x10\0", 16);
    const std::string data = std::string("data") + Le32(4) + std::string(4, '\0');
    const std::string body = "WAVE" + fmt + beforeData + data + afterData;
    return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
}

const char* const kProject =
    "<velmor>\nTitle=test\nStartScript=start.txt\n</velmor>\n<MiniFace>\nCount=2\n</MiniFace>\n";
// Line 5 is where each case puts its mistake.
const char* const kStart =
    "#start\n*b bg.png\n*bgm music.wav\nこんにちは\n@@\n*jump second\n#second\n"
    "?flag = 1\n?flag == 1 jump third\n#third\n%\n";

struct Case {
    const char* name;
    const char* mistake;  // replaces line 5 of start.txt (may be several lines)
    const char* file;     // extra or replaced file, or nullptr
    std::string content;
    const char* where;  // file of the finding
    int line;
    Level level;
    const char* text;     // part of the finding's text
    size_t findings = 1;  // findings in all (the one above among them)
};

class CheckTest : public ::testing::Test {
protected:
    void WriteBase() {
        m_Dir.WriteSjis("game/game.vsc", kProject);
        m_Dir.WriteBytes("game/bg.png", Png(800, 600));
        m_Dir.WriteBytes("game/music.wav", Wave());
    }
    std::vector<TCheckReport::Finding> Check(const fs::path& project) {
        TGameChecker checker(platform::FileSystem::FromHostPath(project.string()), {});
        checker.Run();
        std::vector<TCheckReport::Finding> found;
        for (const auto& f : checker.Report().Findings())
            if (f.Severity != Level::Note) found.push_back(f);
        return found;
    }
    static std::string Shown(const std::vector<TCheckReport::Finding>& findings) {
        std::string s;
        for (const auto& f : findings)
            s += platform::SjisToUtf8(f.File) + ":" + std::to_string(f.Line) + ": " +
                 TCheckReport::LevelName(f.Severity) + ": " + f.Text + "\n";
        return s;
    }
    // The game of one case: the base game with the case's line and file.
    void WriteCase(const Case& c, TyxWitch& witch) {
        std::error_code ec;
        fs::remove_all(m_Dir.Path() / "game", ec);
        WriteBase();
        std::string start = kStart;
        start.replace(start.find("@@"), 2, c.mistake);
        m_Dir.WriteSjis("game/start.txt", start);
        if (c.file) {
            const std::string f = c.file;
            // Text files are written as a game would: Shift-JIS, unless the case is about
            // other bytes.
            if (f.ends_with(".txt") && std::string(c.name) != "UTF-8 script")
                m_Dir.WriteSjis(f, c.content);
            else if (f.ends_with(".vsc") && std::string(c.name) != "project in UTF-8")
                m_Dir.WriteBytes(
                    f, c.content[0] == '\xEF' ? c.content : platform::Utf8ToSjis(c.content));
            else
                m_Dir.WriteBytes(f, c.content);
        }
        if (std::string(c.name) == "scrambled name needed") {
            std::string error;
            ASSERT_TRUE(TyxArchiveWriter::Write(
                TyxArchiveWriter::Format::Bcl,
                platform::FileSystem::FromHostPath((m_Dir.Path() / "game" / "pics.bcl").string()),
                {{"scr.png", {}, (m_Dir.Path() / "game/bg.png").string()}}, &witch, error))
                << error;
        }
    }
    TempFolder m_Dir;
};

// One mistake a case, with the finding it must give.
std::vector<Case> MistakeCases() {
    return {
        {"clean", "", nullptr, "", nullptr, 0, Level::Note, ""},
        {"unknown command", "*bgx foo", nullptr, "", "start.txt", 5, Level::Error,
         "unknown command bgx"},
        {"unknown system word", ":titel", nullptr, "", "start.txt", 5, Level::Warning,
         "unknown system word :titel"},
        {"too few arguments", "*b", nullptr, "", "start.txt", 5, Level::Error, "*b needs a file"},
        {"missing label", "*jump nowhere", nullptr, "", "start.txt", 5, Level::Error,
         "paragraph #nowhere, which script start.txt does not have"},
        // The label line itself is also warned about, twice: its blank, and nothing reaching it.
        {"label with trailing blank", "*jump second2\n#second2 ", nullptr, "", "start.txt", 5,
         Level::Error, "(line 6 has it with trailing blanks)", 3},
        {"missing script", "*jump x other.txt", nullptr, "", "start.txt", 5, Level::Error,
         "script other.txt cannot be found"},
        {"label no jump reaches", "%\n#orphan", nullptr, "", "start.txt", 6, Level::Warning,
         "no jump, choice or table reaches paragraph #orphan"},
        {"five choices",
         "*clrsel\n*addsel a second\n*addsel b second\n*addsel c second\n*addsel d second\n"
         "*addsel e second",
         nullptr, "", "start.txt", 10, Level::Error, "fifth choice"},
        {"variable never set", "?ghost == 1 jump second", nullptr, "", "start.txt", 5, Level::Error,
         "variable ghost is tested but never set"},
        {"variable read by a set", "?a = ghost2", nullptr, "", "start.txt", 5, Level::Error,
         "variable ghost2 is tested but never set"},
        {"missing picture", "*f none.png", nullptr, "", "start.txt", 5, Level::Error,
         "file none.png cannot be found"},
        {"picture larger than the screen", "*b big.png", "game/big.png", Png(1024, 768),
         "start.txt", 5, Level::Warning, "1024x768, larger than the 800x600 screen"},
        {"PNG the decoder refuses", "*b odd.png", "game/odd.png",
         [] {
             std::string png = Png(10, 10);
             png[28] = 2;
             return png;
         }(),
         "start.txt", 5, Level::Error, "PNG decoder: interlace method 2 is unknown"},
        {"WAVE with a LIST chunk", "*sound list.wav", "game/list.wav",
         Wave(std::string("LIST") + Le32(4) + "INFO"), "start.txt", 5, Level::Error,
         "\"LIST\" chunk stands between \"fmt \" and \"data\""},
        {"WAVE with a chunk after data", "*sound tail.wav", "game/tail.wav",
         Wave({}, std::string("LIST") + Le32(4) + "INFO"), "start.txt", 5, Level::Error,
         "\"LIST\" chunk follows \"data\""},
        {"not a sound", "*v voice.wav", "game/voice.wav", "ID3 not a wave", "start.txt", 5,
         Level::Error, "neither a WAVE"},
        {"scrambled name needed", "*b scr.png", nullptr, "", "start.txt", 5, Level::Error,
         "it is there scrambled, as scr.png.`a0"},
        {"missing junction table", ":junction table.txt Go", nullptr, "", "start.txt", 5,
         Level::Error, "description file table.txt cannot be found"},
        {"junction section missing", ":junction table.txt Stop", "game/table.txt",
         "<Go>\n:,#second\n</Go>\n", "start.txt", 5, Level::Error, "no section <Stop>"},
        {"junction to a missing label", ":junction table.txt Go", "game/table.txt",
         "<Go>\nflag,:,#nowhere\n</Go>\n", "table.txt", 2, Level::Error, "paragraph #nowhere"},
        {"UTF-8 script", "*jump u utf8.txt", "game/utf8.txt", "#u\nこんにちは\n%\n", "utf8.txt", 2,
         Level::Error, "the text is UTF-8"},
        {"small face without slots", "*m bg.png", "game/game.vsc",
         "<velmor>\r\nStartScript=start.txt\r\n</velmor>\r\n", "start.txt", 5, Level::Warning,
         "MiniFace Count 0"},
        {"project byte-order mark", "", "game/game.vsc", std::string("\xEF\xBB\xBF") + kProject,
         "game.vsc", 1, Level::Error, "byte-order mark"},
        {"project unknown key", "", "game/game.vsc",
         std::string(kProject) + "<Screen>\nWidht=640\n</Screen>\n", "game.vsc", 9, Level::Warning,
         "unknown key Widht in <Screen>"},
        {"project value out of range", "", "game/game.vsc",
         "<velmor>\nStartScript=start.txt\n</velmor>\n<MiniFace>\nCount=9\n</MiniFace>\n",
         "game.vsc", 5, Level::Error, "MiniFace Count must be 0 to 8, not 9"},
        {"project not a number", "", "game/game.vsc",
         std::string(kProject) + "<Font>\nFontHeightPercent=big\n</Font>\n", "game.vsc", 9,
         Level::Error, "FontHeightPercent=big is not a number"},
        {"project in UTF-8", "", "game/game.vsc",
         "<velmor>\nTitle=テスト\nStartScript=start.txt\n</velmor>\n<MiniFace>\nCount=2\n</"
         "MiniFace>\n",
         "game.vsc", 2, Level::Error, "the text is UTF-8"},
        {"missing archive", "", "game/game.vsc",
         std::string(kProject) + "<BCL>\nnone.bcl\n</BCL>\n", "game.vsc", 9, Level::Error,
         "none.bcl not found"},
        {"missing gallery file", "", "game/game.vsc",
         "<velmor>\nStartScript=start.txt\nCGModeProject=cg.ini\n</velmor>\n<MiniFace>\n"
         "Count=2\n</MiniFace>\n",
         "game.vsc", 3, Level::Error, "description file cg.ini cannot be found"},
    };
}

TEST_F(CheckTest, EachMistakeIsOneFindingAtItsLine) {
    TyxWitch witch(0);
    witch.SetKey(EngineKeyText());
    for (const Case& c : MistakeCases()) {
        SCOPED_TRACE(c.name);
        WriteCase(c, witch);
        const auto found = Check(m_Dir.Path() / "game/game.vsc");
        if (!c.where) {
            EXPECT_TRUE(found.empty()) << Shown(found);
            continue;
        }
        ASSERT_EQ(found.size(), c.findings) << Shown(found);
        const auto it = std::find_if(found.begin(), found.end(), [&](const auto& f) {
            return platform::SjisToUtf8(f.File) == c.where && f.Line == c.line;
        });
        ASSERT_NE(it, found.end()) << Shown(found);
        EXPECT_EQ(it->Severity, c.level) << Shown(found);
        EXPECT_NE(it->Text.find(c.text), std::string::npos) << Shown(found);
    }
}

TEST_F(CheckTest, TheDemoIsCleanLooseAndPacked) {
    for (const char* game : {"demo-game", "demo-packed"}) {
        SCOPED_TRACE(game);
        const fs::path project = fs::path(VELMOR_BINARY_DIR) / game / "demo.vsc";
        ASSERT_TRUE(fs::exists(project));
        TGameChecker checker(platform::FileSystem::FromHostPath(project.string()), {});
        checker.Run();
        const auto& report = checker.Report();
        EXPECT_EQ(report.Count(Level::Error) + report.Count(Level::Warning), 0)
            << Shown(report.Findings());
        // Every script (the extras reached only by jumps from the endings) and every `%`.
        EXPECT_EQ(checker.Scripts().size(), 3u);
        EXPECT_EQ(checker.Endings().size(), 5u);
        // The picture menu is no choice point; the extras' menu is.
        ASSERT_EQ(checker.ChoicePoints().size(), 1u);
        EXPECT_EQ(checker.ChoicePoints()[0].Captions.size(), 3u);
    }
}

// The program as authors and their CI run it: the editor's line format and the exit status.
TEST_F(CheckTest, TheProgramPrintsFileLineLevelTextAndFailsOnErrors) {
    WriteBase();
    std::string start = kStart;
    start.replace(start.find("@@"), 2, "*jump nowhere");
    m_Dir.WriteSjis("game/start.txt", start);
    auto run = [&](const std::string& args, std::string& out) {
        FILE* pipe = popen((std::string(VELMOR_BINARY_DIR) + "/bin/velmor-check " + args + " '" +
                            (m_Dir.Path() / "game/game.vsc").string() + "' 2>/dev/null")
                               .c_str(),
                           "r");
        char buffer[4096];
        size_t n;
        out.clear();
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string out;
    EXPECT_EQ(run("", out), 1);
    EXPECT_TRUE(out.starts_with("start.txt:5: error: the jump goes to paragraph #nowhere")) << out;
    EXPECT_EQ(run("--json", out), 1);
    EXPECT_NE(out.find("{\"file\":\"start.txt\",\"line\":5,\"level\":\"error\",\"text\":"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\"errors\":1"), std::string::npos) << out;
    start = kStart;
    start.replace(start.find("@@"), 2, "");
    m_Dir.WriteSjis("game/start.txt", start);
    EXPECT_EQ(run("", out), 0);
    EXPECT_EQ(out, "");
}

}  // namespace
