#include "platform/clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system_clock.h"
#include "platform/virtual_clock.h"

using namespace platform;

TEST(VirtualClock, FiresTimersInDeadlineOrder) {
    VirtualClock clock(1000);
    std::vector<std::string> fired;
    int a = clock.StartTimer(30, [&] { fired.push_back("a" + std::to_string(clock.TickCount())); });
    clock.StartTimer(20, [&] { fired.push_back("b" + std::to_string(clock.TickCount())); });
    ASSERT_NE(a, 0);
    clock.Advance(65);
    EXPECT_EQ(fired, (std::vector<std::string>{"b1020", "a1030", "b1040", "a1060", "b1060"}));
    EXPECT_EQ(clock.TickCount(), 1065u);

    fired.clear();
    clock.StopTimer(a);
    clock.Sleep(15);
    EXPECT_EQ(fired, (std::vector<std::string>{"b1080"}));
    EXPECT_EQ(clock.StartTimer(0, [] {}), 0);
}

TEST(VirtualClock, CallbackMayStopItselfOrSleep) {
    VirtualClock clock;
    int count = 0;
    int id = 0;
    id = clock.StartTimer(10, [&] {
        if (++count == 2) clock.StopTimer(id);
    });
    bool slept = false;
    clock.StartTimer(25, [&] {
        if (!slept) clock.Sleep(100);
        slept = true;
    });
    clock.Advance(50);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(clock.TickCount(), 125u);  // the sleep inside the callback moved time on
}

TEST(VirtualClock, TickCountWrapsAt32Bits) {
    VirtualClock clock(0xFFFFFFF0u);
    uint32_t start = clock.TickCount();
    std::vector<uint32_t> ticks;
    clock.StartTimer(10, [&] { ticks.push_back(clock.TickCount()); });
    clock.Advance(40);
    EXPECT_EQ(clock.TickCount(), 0x18u);
    EXPECT_EQ(clock.TickCount() - start, 40u);
    EXPECT_EQ(ticks, (std::vector<uint32_t>{0xFFFFFFFAu, 4u, 14u, 24u}));
}

TEST(Clock, CurrentIsReplaceable) {
    VirtualClock clock(42);
    Clock::SetCurrent(&clock);
    EXPECT_EQ(Clock::Current().TickCount(), 42u);
    Clock::SetCurrent(nullptr);
    EXPECT_NE(&Clock::Current(), static_cast<Clock*>(&clock));
}

TEST(SystemClock, TimersStartAndStopWithoutWaiting) {
    SystemClock clock;
    EXPECT_EQ(clock.StartTimer(0, [] {}), 0);
    EXPECT_EQ(clock.StartTimer(5, nullptr), 0);
    int a = clock.StartTimer(1, [] {});
    int b = clock.StartTimer(1000, [] {});
    EXPECT_NE(a, 0);
    EXPECT_NE(a, b);
    clock.StopTimer(a);
    clock.StopTimer(a);  // already stopped
    clock.StopTimer(12345);
    uint32_t t0 = clock.TickCount();
    EXPECT_LT(clock.TickCount() - t0, 1000u);
    // b is still running when the clock goes away.
}
