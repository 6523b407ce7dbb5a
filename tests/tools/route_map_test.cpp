// The route map: a cluster per script, a node per paragraph, the routes between them with
// their captions and conditions; what no way of playing reaches and what no run reached are
// drawn apart, and Graphviz writes the picture.
#include "tools/velmor-check/route_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/file_system.h"
#include "platform/sjis.h"
#include "tests/support/temp_folder.h"
#include "tools/velmor-check/coverage_report.h"
#include "tools/velmor-check/game_checker.h"

namespace {

const char* const kProject = "<velmor>\nTitle=map\nStartScript=start.txt\n</velmor>\n";
// Node ids are s<script>p<label line from 0>; s<script>x<line> for endings.
const char* const kStart =
    "#start\nはじまり\n*clrsel\n*addsel 海へ行く sea\n*addsel 森へ行く forest other.txt\n"
    "*select\n#sea\n?seen = 1\n?seen == 1 jump nowhere\n#tide\n%\n";
const char* const kOther = "#forest\n森の中\n*jump tide start.txt\n#lost\n%\n";

// The statement of a node or an edge, or "" when the map has none.
std::string Statement(const std::string& dot, const std::string& head) {
    std::istringstream in(dot);
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find_first_not_of(' ');
        if (at == std::string::npos) continue;
        const std::string text = line.substr(at);
        if (text.starts_with(head + " [") || text == head + ";") return line;
    }
    return "";
}

class RouteMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Dir.WriteSjis("game/game.vsc", kProject);
        m_Dir.WriteSjis("game/start.txt", kStart);
        m_Dir.WriteSjis("game/other.txt", kOther);
        m_Checker = std::make_unique<TGameChecker>(
            platform::FileSystem::FromHostPath((m_Dir.Path() / "game/game.vsc").string()), "");
        m_Checker->Run();
    }
    TempFolder m_Dir;
    std::unique_ptr<TGameChecker> m_Checker;
};

TEST_F(RouteMapTest, DrawsParagraphsRoutesAndEndings) {
    const TRouteMap map(*m_Checker, nullptr);
    const std::string& dot = map.Dot();
    EXPECT_NE(dot.find("subgraph cluster_s0 {\n    label=\"start.txt\""), std::string::npos);
    EXPECT_NE(dot.find("subgraph cluster_s1 {\n    label=\"other.txt\""), std::string::npos);
    EXPECT_NE(dot.find("cluster_legend"), std::string::npos);
    EXPECT_EQ(map.Paragraphs(), 5);
    struct Expect {
        const char* head;
        const char* has;
    };
    const Expect expected[] = {
        {"s0p0", "#start"},
        {"s0p6", "#sea"},
        {"s1p3", "dashed"},  // #lost: nothing reaches it
        {"s0x10", "END"},
        {"start -> s0p0", "dotted"},             // the start script runs into its first label
        {"s0p0 -> s0p6", "label=\"海へ行く\""},  // choices carry their captions
        {"s0p0 -> s1p0", "label=\"森へ行く\""},
        {"s0p6 -> s0p9", "dotted"},             // #sea runs on into #tide
        {"s1p0 -> s0p9", "color=\"#404040\""},  // a jump to another script
        {"s0p9 -> s0x10", ""},
    };
    for (const Expect& e : expected) {
        const std::string statement = Statement(dot, e.head);
        EXPECT_NE(statement, "") << e.head << "\n" << dot;
        EXPECT_NE(statement.find(e.has), std::string::npos) << statement;
    }
    // A conditional jump to a paragraph that does not exist goes to a red node.
    const std::string missing = Statement(dot, "s0p6 -> m0");
    EXPECT_NE(missing.find("label=\"if seen == 1\""), std::string::npos) << dot;
    EXPECT_NE(Statement(dot, "m0").find("missing #nowhere"), std::string::npos) << dot;
    EXPECT_EQ(map.Unreached(), 0);
}

TEST_F(RouteMapTest, CoverageColoursWhatNoRunReached) {
    // One run that went to the sea and ended at #tide.
    TCoverageReport runs;
    runs.Runs = 1;
    for (int line = 1; line <= 11; ++line) runs.Lines["start.txt"].insert(line);
    runs.Paragraphs["start.txt"] = {"#start", "#sea", "#tide"};
    runs.Choices[{"start.txt", 6}] = {0};
    runs.Endings.insert({"start.txt", 11});
    const TRouteMap map(*m_Checker, &runs);
    const std::string& dot = map.Dot();
    const std::string red = "#c0392b", redFill = "#fadbd8";
    EXPECT_NE(Statement(dot, "s1p0").find(redFill), std::string::npos) << dot;  // #forest
    EXPECT_NE(Statement(dot, "s0p0 -> s1p0").find(red), std::string::npos);     // not taken
    EXPECT_EQ(Statement(dot, "s0p0 -> s0p6").find(red), std::string::npos);     // taken
    EXPECT_EQ(Statement(dot, "s0p9").find(redFill), std::string::npos);         // #tide ran
    EXPECT_EQ(Statement(dot, "s0x10").find(redFill), std::string::npos);        // ended there
    // Unreachable stays grey: no run could have reached it.
    EXPECT_EQ(Statement(dot, "s1p3").find(redFill), std::string::npos);
    EXPECT_EQ(map.Unreached(), 2);  // #forest and its choice
}

TEST_F(RouteMapTest, WritesThePictureFormatsAndRefusesOthers) {
    const TRouteMap map(*m_Checker, nullptr);
    auto read = [](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    std::string error;
    ASSERT_TRUE(map.Write((m_Dir.Path() / "map.svg").string(), error)) << error;
    const std::string svg = read(m_Dir.Path() / "map.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("森へ行く"), std::string::npos);
    ASSERT_TRUE(map.Write((m_Dir.Path() / "map.png").string(), error)) << error;
    EXPECT_TRUE(read(m_Dir.Path() / "map.png").starts_with("\x89PNG"));
    ASSERT_TRUE(map.Write((m_Dir.Path() / "map.dot").string(), error)) << error;
    EXPECT_EQ(read(m_Dir.Path() / "map.dot"), map.Dot());
    EXPECT_FALSE(map.Write((m_Dir.Path() / "map.txt").string(), error));
    EXPECT_NE(error.find(".svg"), std::string::npos);
    EXPECT_FALSE(map.Write((m_Dir.Path() / "no/such/folder/map.svg").string(), error));
}

}  // namespace
