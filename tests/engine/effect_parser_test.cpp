// The effect words of a command line and the numbers they name.
#include <gtest/gtest.h>

#include "engine/velmor_effect_parser.h"
#include "resources/yxstringlib.h"

namespace {
int Parse(const char* line) {
    TStringList words;
    yx::SplitNonEmpty(line, " ", words);
    return speffectParse(words);
}

TEST(EffectParser, EveryNumberOfTheTable) {
    const struct {
        const char* line;
        int number;
    } kCases[] = {{"in fade white", 1},
                  {"in fade", 2},
                  {"out fade white", 3},
                  {"out fade", 4},
                  {"in wave white", 5},
                  {"in wave", 6},
                  {"out wave white", 7},
                  {"out wave", 8},
                  {"in sand", 9},
                  {"out sand", 10},
                  {"in gamma", 11},
                  {"out gamma", 12},
                  {"scroll left", 13},
                  {"scroll right", 14},
                  {"scroll up", 15},
                  {"scroll down", 16},
                  {"scroll left up", 17},
                  {"scroll left down", 18},
                  {"scroll right up", 19},
                  {"scroll right down", 20},
                  {"tumble vertical", 21},
                  {"tumble horizon", 22},
                  {"effect sepia", 23},
                  {"effect contrast up", 24},
                  {"effect contrast down", 25}};
    for (const auto& c : kCases) EXPECT_EQ(Parse(c.line), c.number) << c.line;
}

TEST(EffectParser, LaterKeywordOfASlotWins) {
    // black is looked up after white, so it undoes it.
    EXPECT_EQ(Parse("out fade white black"), 4);
    EXPECT_EQ(Parse("out fade black white"), 4);
    EXPECT_EQ(Parse("in fade black"), 2);
    // out comes after in among the actions; right after left among the kinds.
    EXPECT_EQ(Parse("in out fade"), 4);
    EXPECT_EQ(Parse("scroll right left"), 14);
    EXPECT_EQ(Parse("scroll left up down"), 18);
    // effect is the last action: "in" on an effect line does not make it a fade.
    EXPECT_EQ(Parse("effect in fade"), 0);
}

TEST(EffectParser, WordsAnywhereAndAnyCase) {
    EXPECT_EQ(Parse("FADE White IN"), 1);
    EXPECT_EQ(Parse("Scroll DOWN"), 16);
    EXPECT_EQ(Parse("in x.png fade"), 2);
    EXPECT_EQ(Parse("in fade whites"), 2);  // whole words only
}

TEST(EffectParser, CombinationsThatNameNothing) {
    EXPECT_EQ(Parse(""), 0);
    EXPECT_EQ(Parse("in"), 0);
    EXPECT_EQ(Parse("out"), 0);
    EXPECT_EQ(Parse("scroll"), 0);
    EXPECT_EQ(Parse("scroll fade"), 0);
    EXPECT_EQ(Parse("tumble"), 0);
    EXPECT_EQ(Parse("tumble up"), 0);
    EXPECT_EQ(Parse("effect contrast"), 0);
    EXPECT_EQ(Parse("effect fade"), 0);
    EXPECT_EQ(Parse("fade white"), 0);
    EXPECT_EQ(Parse("in left"), 0);
    EXPECT_EQ(Parse("in sepia"), 0);
    // With a kind that pans nowhere, scroll still follows up and down.
    EXPECT_EQ(Parse("scroll sand up"), 15);
    EXPECT_EQ(Parse("scroll vertical down"), 16);
}
}  // namespace
