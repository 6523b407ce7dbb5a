// The demo played headless to each ending, from its loose files and from its archives, event
// for event against the transcripts committed beside this test. A change that alters what a
// player sees or hears shows up here; when it is meant, run the test with
// VELMOR_UPDATE_GOLDEN=1 to write the new transcripts, and review their diff.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/temp_folder.h"

namespace {

struct GoldenCase {
    const char* project;  // under the build folder
    const char* choices;
    const char* golden;  // under tests/tools/golden
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

// Compared as JSON values, so key order and number spelling do not matter.
QJsonDocument Parse(const std::string& line) {
    return QJsonDocument::fromJson(QByteArray::fromStdString("[" + line + "]"));
}

class GoldenTranscript : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTranscript, DemoPlaysAsRecorded) {
    const GoldenCase& c = GetParam();
    TempFolder home;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.Str()));
    p.setProcessEnvironment(env);
    p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless",
            {"--auto", "--choices", c.choices, QString(VELMOR_BINARY_DIR) + "/" + c.project});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const std::string played = p.readAllStandardOutput().toStdString();

    const std::string path = std::string(VELMOR_SOURCE_DIR) + "/tests/tools/golden/" + c.golden;
    if (std::getenv("VELMOR_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << played;
        GTEST_SKIP() << "wrote " << path;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "no golden transcript " << path;
    std::stringstream expected;
    expected << in.rdbuf();

    const auto want = Lines(expected.str()), got = Lines(played);
    for (size_t i = 0; i < std::min(want.size(), got.size()); ++i)
        ASSERT_EQ(Parse(want[i]), Parse(got[i]))
            << "event " << i << "\nexpected: " << want[i] << "\nplayed:   " << got[i];
    EXPECT_EQ(want.size(), got.size()) << (got.size() > want.size() ? "extra: " + got[want.size()]
                                                                      : "missing: " + want[got.size()]);
}

// The packed demo names its scrambled members, so its transcripts are its own.
INSTANTIATE_TEST_SUITE_P(
    Demo, GoldenTranscript,
    ::testing::Values(GoldenCase{"demo-game/demo.vsc", "0", "loose-ending0.jsonl"},
                      GoldenCase{"demo-game/demo.vsc", "1", "loose-ending1.jsonl"},
                      GoldenCase{"demo-packed/demo.vsc", "0", "packed-ending0.jsonl"},
                      GoldenCase{"demo-packed/demo.vsc", "1", "packed-ending1.jsonl"}),
    [](const auto& info) {
        return std::string(info.index < 2 ? "Loose" : "Packed") + "Ending" + info.param.choices;
    });

}  // namespace
