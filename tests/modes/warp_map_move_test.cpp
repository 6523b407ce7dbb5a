#include "modes/warp_map_move.h"

#include <map>

#include "mode_fixture.h"
#include "platform/virtual_clock.h"
#include "resources/yxstringlib.h"

namespace {

constexpr uint32_t kBack = 0x202020, kFrame0 = 0x0000FF, kFrame1 = 0x00FF00, kChip = 0xFF0000,
                   kKey = 0xFF00FF;

struct Ended {
    std::string script, paragraph;
    int place, day, time;
};

class WarpMapTest : public ModeFixture {
protected:
    WarpMapTest() {
        platform::Clock::SetCurrent(&clock);
        Picture("back.png", kW, kH, kBack);
        Picture("m0.png", 8, 4, kFrame0, kKey);
        Picture("m1.png", 8, 4, kFrame1, kKey);
        Picture("chip.png", 10, 10, kChip, kKey);
        variables.find = [this](const std::string& name, int32_t& value) {
            auto it = vars.find(yx::UpperCaseAscii(name));
            if (it == vars.end()) return false;
            value = it->second;
            return true;
        };
        variables.set = [this](const std::string& name, int32_t value) {
            vars[yx::UpperCaseAscii(name)] = value;
        };
    }
    ~WarpMapTest() override { platform::Clock::SetCurrent(nullptr); }

    // Three places along the top, one day of timeMax slots; events[place][time] fills a flag
    // record, the others stay empty.
    std::string Map(int timeMax, const std::map<std::pair<int, int>, std::string>& events = {},
                    const std::string& drawpoint = "0,0\n100,0\n200,0\n") {
        const std::string d = folder.Str();
        std::string flag;
        for (int p = 0; p < 3; ++p) {
            for (int t = 0; t < timeMax; ++t) {
                auto it = events.find({p, t});
                flag += (t ? "," : "") + (it != events.end() ? it->second : std::string(",,,"));
            }
            flag += "\n";
        }
        return "<image>\nBackImage=" + d + "back.png\nEntryX=20\nEntryY=10\n</image>\n"
               "<game>\nDayMax=1\nTimeMax=" + std::to_string(timeMax) + "\n</game>\n"
               "<anime>\n" + d + "m0.png\n" + d + "m1.png\n</anime>\n"
               "<mapchip>\n" + d + "chip.png\n" + d + "chip.png\n" + d + "chip.png\n</mapchip>\n"
               "<drawpoint>\n" + drawpoint + "</drawpoint>\n"
               "<dayend>\nday.txt,#night\n</dayend>\n<flag>\n" + flag + "</flag>\n";
    }
    std::unique_ptr<TWarpMapMove> Open(const std::string& text, const std::string& place = "P",
                                       const std::string& time = "T",
                                       const std::string& day = "D") {
        auto map = std::make_unique<TWarpMapMove>(surface, nullptr, screen);
        map->OnEnd = [this](const std::string& s, const std::string& p, int place, int day,
                            int time) { ended.push_back({s, p, place, day, time}); };
        map->RunEffect = [this](int n) { effects.push_back(n); };
        const std::string file = Description("map.txt", text);
        loaded = map->Load(file, variables, place, time, day);
        return map;
    }
    static constexpr TPoint kAt[3] = {{5, 5}, {105, 5}, {205, 5}};

    platform::VirtualClock clock{1000};
    std::map<std::string, int32_t> vars;
    TWarpMapMove::TVariables variables;
    std::vector<Ended> ended;
    std::vector<int> effects;
    bool loaded = false;
};

TEST_F(WarpMapTest, FourMovesUseUpTheDay) {
    auto map = Open(Map(4));
    ASSERT_TRUE(loaded) << Utf8(map->Error());
    ASSERT_TRUE(map->Start());
    EXPECT_EQ(effects, std::vector<int>{9});
    EXPECT_TRUE(map->Active());
    // The marker stands on place 0, centred on it; the other places show their pictures.
    EXPECT_EQ(map->MarkerPosition(0), (TPoint{16, 6}));
    EXPECT_EQ(screen.Image().Pixel(17, 7) & 0xFFFFFF, kFrame0);
    EXPECT_EQ(screen.Image().Pixel(16, 9) & 0xFFFFFF, kBack);  // the frame's key colour
    EXPECT_EQ(screen.Image().Pixel(101, 1) & 0xFFFFFF, kChip);
    EXPECT_EQ(screen.Image().Pixel(1, 1) & 0xFFFFFF, kBack);

    EXPECT_FALSE(map->Click(kAt[0]));  // the place the player is on
    EXPECT_FALSE(map->Click({40, 5}));  // right edge of its area, no other place
    const int route[] = {1, 2, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(map->Click(kAt[route[i]]));
        EXPECT_EQ(map->Time(), i);
        EXPECT_EQ(map->Place(), route[i]);
    }
    EXPECT_TRUE(ended.empty());
    EXPECT_TRUE(map->Click({200, 0}));  // the fourth move ends the day
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].script, "day.txt");
    EXPECT_EQ(ended[0].paragraph, "#night");
    EXPECT_EQ(ended[0].time, 3);
    EXPECT_EQ(vars, (std::map<std::string, int32_t>{{"P", 2}, {"D", 0}, {"T", 3}}));
    EXPECT_FALSE(map->Click(kAt[0]));
}

TEST_F(WarpMapTest, ATimeAlreadyAtTheLastSlotEndsTheDayOnStart) {
    vars = {{"T", 3}, {"P", 2}};
    auto map = Open(Map(4));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(map->Place(), 2);
    ASSERT_TRUE(map->Start());
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].paragraph, "#night");
    EXPECT_FALSE(map->Active());
    EXPECT_FALSE(map->Click(kAt[0]));
}

TEST_F(WarpMapTest, EventsFireOnceAndOnlyWhenTheirConditionExists) {
    // Place 1 at time 0: a plain event; place 2 at time 1: one with a condition; place 1 at
    // time 1: one whose flag is already set.
    const std::map<std::pair<int, int>, std::string> events = {
        {{1, 0}, "seen1,ev.txt,,#ev1"},
        {{2, 1}, "\"seen 2\" ev.txt key #ev2"},
        {{1, 1}, "old,ev.txt,,#never"}};
    vars = {{"OLD", 0}};
    auto map = Open(Map(4, events));
    ASSERT_TRUE(loaded) << Utf8(map->Error());
    EXPECT_EQ(map->Event(0, 2, 1).flagVariable, "seen 2");
    EXPECT_EQ(map->Event(0, 2, 1).conditionVariable, "key");
    ASSERT_TRUE(map->Start());
    EXPECT_TRUE(map->Click(kAt[1]));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].paragraph, "#ev1");
    EXPECT_EQ(vars["SEEN1"], 1);
    EXPECT_EQ(vars["P"], 1);
    EXPECT_EQ(vars["T"], 0);
    EXPECT_FALSE(map->Click(kAt[2]));  // nothing after an event

    // Called again where it left off: the seen event stays quiet, the conditional one waits
    // for its variable, the old flag never fires.
    ended.clear();
    map = Open(Map(4, events));
    ASSERT_TRUE(map->Start());
    EXPECT_TRUE(map->Click(kAt[2]));  // time 1 at place 2, no "key" yet
    EXPECT_TRUE(ended.empty());
    EXPECT_TRUE(map->Click(kAt[1]));  // time 2 at place 1: nothing
    EXPECT_TRUE(ended.empty()) << ended[0].paragraph;
    vars = {{"OLD", 0}, {"KEY", 0}, {"SEEN1", 1}, {"P", 0}, {"T", 0}};
    map = Open(Map(4, events));
    ASSERT_TRUE(map->Start());
    EXPECT_TRUE(map->Click(kAt[1]));  // time 1 at place 1: the old flag exists
    EXPECT_TRUE(ended.empty());
    vars["T"] = 0;
    map = Open(Map(4, events));
    ASSERT_TRUE(map->Start());
    EXPECT_TRUE(map->Click(kAt[2]));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].paragraph, "#ev2");
    EXPECT_EQ(vars["SEEN 2"], 1);
}

TEST_F(WarpMapTest, LinesReadTheSameWithMinusSignsAndBlanks) {
    auto plain = Open(Map(2, {{{0, 1}, "a,s.txt,,#p"}}));
    auto signed_ = Open(Map(2, {{{0, 1}, "a s.txt \"\" #p"}}), "", "", "");
    ASSERT_TRUE(loaded);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(plain->DrawPoint(p), signed_->DrawPoint(p));
    auto minus = Open(Map(2, {}, "-0,0\n-100,0\n-2x0y0,0\n"));
    ASSERT_TRUE(loaded);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(minus->DrawPoint(p), plain->DrawPoint(p));
    EXPECT_EQ(plain->HitArea(1), (TRect{100, 0, 140, 20}));
    EXPECT_EQ(signed_->Event(0, 0, 1).paragraph, "#p");
    EXPECT_EQ(signed_->Event(0, 0, 1).scriptFile, "s.txt");
    EXPECT_EQ(signed_->Event(0, 0, 1).conditionVariable, "");
}

TEST_F(WarpMapTest, TheMarkerStepsEveryHalfSecond) {
    auto map = Open(Map(4));
    ASSERT_TRUE(map->Start());
    const uint32_t start = clock.TickCount();
    EXPECT_EQ(map->NextStep(), start + 500);
    const int presents = surface.presents;
    clock.Advance(499);
    map->Tick();
    EXPECT_EQ(map->Frame(), 0);
    EXPECT_EQ(surface.presents, presents);
    clock.Advance(1);
    map->Tick();
    EXPECT_EQ(map->Frame(), 1);
    EXPECT_EQ(surface.presents, presents + 1);
    clock.Advance(500);
    map->Tick();
    EXPECT_EQ(map->Frame(), 0);  // wraps after the last frame
    EXPECT_EQ(Shown(17, 7), kFrame1);  // drawn before the step
    EXPECT_EQ(map->NextStep(), clock.TickCount() + 500);
}

TEST_F(WarpMapTest, UnusableDescriptionsAreRefusedNamingTheSection) {
    const std::string d = folder.Str();
    const std::string good = Map(2);
    auto without = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        const size_t a = s.find(from), b = s.find(to, a);
        return s.erase(a, b + to.size() - a);
    };
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        return s.replace(s.find(from), from.size(), to);
    };
    struct Case {
        std::string text, mentions;
        std::map<std::string, int32_t> vars;
    } cases[] = {
        {replaced("BackImage=" + d + "back.png", "BackImage="), "BackImage", {}},
        {without("<anime>", "</anime>\n"), "<anime>", {}},
        {replaced(d + "m0.png\n" + d + "m1.png\n", ""), "<anime>", {}},
        {without("<mapchip>", "</mapchip>\n"), "<mapchip>", {}},
        {without("<drawpoint>", "</drawpoint>\n"), "<drawpoint>", {}},
        {replaced("200,0\n", ""), "<drawpoint>", {}},
        {replaced("200,0", "200"), "<drawpoint>", {}},
        {replaced("200,0", "99999999999,0"), "<drawpoint>", {}},
        {without("<dayend>", "</dayend>\n"), "<dayend>", {}},
        {replaced("day.txt,#night", "day.txt #night"), "<dayend>", {}},
        {replaced("DayMax=1", "DayMax=2"), "<dayend>", {}},
        {replaced("DayMax=1", "DayMax=0"), "DayMax", {}},
        {replaced("DayMax=1", "DayMax=2147483647"), "<dayend>", {}},
        {replaced("TimeMax=2", "TimeMax=-1"), "TimeMax", {}},
        {replaced("TimeMax=2", "TimeMax=100000"), "<flag>", {}},
        {without("<flag>", "</flag>\n"), "<flag>", {}},
        {replaced(",,,,,,,\n</flag>", "</flag>"), "<flag>", {}},
        {replaced(",,,,,,,\n</flag>", ",,,,,,\n</flag>"), "<flag>", {}},
        {replaced(",,,,,,,\n</flag>", "a,,,#p,,,,\n</flag>"), "<flag>", {}},
        {replaced(",,,,,,,\n</flag>", ",s.txt,,#p,,,,\n</flag>"), "<flag>", {}},
        {good, "DayMax", {{"D", 1}}},
        {good, "DayMax", {{"D", -1}}},
        {good, "", {{"P", 3}}},
        {good, "", {{"T", -2}}},
    };
    for (const Case& c : cases) {
        vars = c.vars;
        auto map = Open(c.text);
        EXPECT_FALSE(loaded) << c.text;
        const std::string error = Utf8(map->Error());
        EXPECT_EQ(error.rfind("WarpMap設定ファイル " + Path("map.txt"), 0), 0u) << error;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
    vars.clear();
    Open(good);
    EXPECT_TRUE(loaded);

    auto missing = std::make_unique<TWarpMapMove>(surface, nullptr, screen);
    EXPECT_FALSE(missing->Load(Path("none.txt"), variables, "", "", ""));

    // A picture that is missing or damaged fails Start before anything is drawn.
    folder.WriteBytes("chip.png", "not a picture");
    auto broken = Open(good);
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(broken->Start());
    EXPECT_NE(Utf8(broken->Error()).find("chip.png"), std::string::npos);
    EXPECT_TRUE(effects.empty());
    EXPECT_EQ(surface.presents, 0);
}

}  // namespace
