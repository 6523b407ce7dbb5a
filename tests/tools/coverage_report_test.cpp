// The coverage report file: what one run writes another reads back whole, Japanese names
// included, and a file that is no report is refused rather than overwritten.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/sjis.h"
#include "tests/support/temp_folder.h"
#include "tools/velmor-check/coverage_report.h"

TEST(CoverageReportTest, WhatIsSavedLoadsBackAndRunsAddUp) {
    TempFolder dir;
    const std::string path = dir.Str() + "cov.json";
    TCoverageReport empty;
    std::string error;
    ASSERT_TRUE(empty.Load(path, error)) << "a missing file is an empty report";
    EXPECT_EQ(empty.Runs, 0);

    const std::string script = platform::Utf8ToSjis("第一章.txt");
    TCoverageReport a;
    a.Runs = 1;
    a.Lines[script] = {1, 2, 30};
    a.Paragraphs[script] = {platform::Utf8ToSjis("#始まり"), "#b\"q"};
    a.Choices[{script, 30}] = {0, 3};
    a.Choices[{"x.txt", 4}] = {};
    a.EventPictures = {"ev01.png"};
    a.Scenes = {platform::Utf8ToSjis("海")};
    a.Endings = {{script, 40}};
    ASSERT_TRUE(a.Save(path));
    TCoverageReport b;
    ASSERT_TRUE(b.Load(path, error)) << error;
    EXPECT_EQ(b.Runs, 1);
    EXPECT_EQ(b.Lines, a.Lines);
    EXPECT_EQ(b.Paragraphs, a.Paragraphs);
    EXPECT_EQ(b.Choices, a.Choices);
    EXPECT_EQ(b.EventPictures, a.EventPictures);
    EXPECT_EQ(b.Scenes, a.Scenes);
    EXPECT_EQ(b.Endings, a.Endings);
    // Loading into a report that holds runs already adds to it.
    ASSERT_TRUE(b.Load(path, error));
    EXPECT_EQ(b.Runs, 2);
    EXPECT_EQ(b.Lines, a.Lines);

    for (const char* bad : {"", "{", "[1,2]", "{\"runs\":1,\"lines\":{\"a\":[1,]}}", "not json"}) {
        SCOPED_TRACE(bad);
        std::ofstream(path, std::ios::trunc) << bad;
        TCoverageReport c;
        EXPECT_FALSE(c.Load(path, error));
    }
}
