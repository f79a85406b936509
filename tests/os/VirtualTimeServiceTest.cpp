#include "platform/os/VirtualTimeService.h"

#include <gtest/gtest.h>

#include <vector>

using remorra::os::VirtualTimeService;

namespace {
std::vector<std::pair<std::uint32_t, std::int64_t>> g_fired;
VirtualTimeService* g_clock = nullptr;
void record(std::uint32_t id) { g_fired.emplace_back(id, g_clock->nowTicks()); }
} // namespace

TEST(VirtualTimeService, TimersFireInOrderAtTheirOwnInstants)
{
    VirtualTimeService clock(1000); // 1 ms ticks
    g_clock = &clock;
    g_fired.clear();
    const auto a = clock.startTimer(40, record);
    const auto b = clock.startTimer(100, record);
    clock.advanceMs(120);
    ASSERT_EQ(g_fired.size(), 4u);
    EXPECT_EQ(g_fired[0], std::make_pair(a, std::int64_t{40}));
    EXPECT_EQ(g_fired[1], std::make_pair(a, std::int64_t{80}));
    EXPECT_EQ(g_fired[2], std::make_pair(b, std::int64_t{100}));
    EXPECT_EQ(g_fired[3], std::make_pair(a, std::int64_t{120}));
    clock.stopTimer(a);
    clock.advanceMs(100);
    EXPECT_EQ(g_fired.back(), std::make_pair(b, std::int64_t{200}));
    EXPECT_EQ(clock.nowTicks(), 220);
}

TEST(VirtualTimeService, SleepMovesTimeWithoutFiringAndStepPerReadAdvancesCounter)
{
    VirtualTimeService clock(1000);
    g_clock = &clock;
    g_fired.clear();
    clock.startTimer(10, record);
    clock.sleepMs(25);
    EXPECT_TRUE(g_fired.empty());
    clock.runDue();
    EXPECT_EQ(g_fired.size(), 2u);
    clock.setStepPerRead(3);
    const auto first = clock.counter();
    EXPECT_EQ(clock.counter(), first + 3);
    clock.setRefuseTimers(true);
    EXPECT_EQ(clock.startTimer(10, record), 0u);
}
