#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/random.h"

using platform::Clock;

TEST(VirtualClock, MovesOnlyOnWaitsAndPresents) {
    Clock c = Clock::virtualClock(30, 1000);
    EXPECT_EQ(c.tickCount(), 1000u);
    EXPECT_EQ(c.tickCount(), 1000u);

    c.waitUntilElapsed(1000, 25);
    EXPECT_EQ(c.tickCount(), 1025u);
    // Already elapsed: no movement.
    c.waitUntilElapsed(1000, 10);
    EXPECT_EQ(c.tickCount(), 1025u);
    // Fractional waits end on the first whole tick past them (part 1's 43.47826 ms).
    c.waitUntilElapsed(1025, 43.47826);
    EXPECT_EQ(c.tickCount(), 1069u);
}

TEST(VirtualClock, PresentTakesAtLeastOneFrameOfTheRate) {
    Clock c = Clock::virtualClock(50, 0);
    c.onPresent(); // the first present only marks the time
    EXPECT_EQ(c.microseconds(), 0u);
    c.onPresent();
    EXPECT_EQ(c.microseconds(), 20000u);
    // A frame that waited longer than the rate is not held back further.
    c.waitUntilElapsed(c.tickCount(), 35);
    const uint64_t before = c.microseconds();
    c.onPresent();
    EXPECT_EQ(c.microseconds(), before);
    c.onPresent();
    EXPECT_EQ(c.microseconds(), before + 20000);
}

TEST(VirtualClock, WaitsCompareSignedDifferencesAcrossTheWrap) {
    Clock c = Clock::virtualClock(30, 0xFFFFFFF0u);
    const uint32_t start = c.tickCount();
    c.waitUntilElapsed(start, 30);
    EXPECT_EQ(c.tickCount(), 0xFFFFFFF0u + 30u); // wrapped past zero
    EXPECT_EQ(static_cast<int32_t>(c.tickCount() - start), 30);
    // A start "in the future" (negative difference) still waits the full time from it.
    const uint32_t later = c.tickCount() + 5;
    c.waitUntilElapsed(later, 10);
    EXPECT_EQ(c.tickCount(), later + 10);
}

TEST(VirtualClock, FractionalRatesDoNotDrift) {
    Clock c = Clock::virtualClock(30, 0);
    for (int i = 0; i < 31; ++i)
        c.onPresent();
    // 30 intervals of ceil(1e6 / 30) us: within 30 us of one second.
    EXPECT_GE(c.microseconds(), 1'000'000u);
    EXPECT_LE(c.microseconds(), 1'000'030u);
}

TEST(RealClock, AdvancesAndWaits) {
    Clock c = Clock::real();
    const uint32_t start = c.tickCount();
    c.waitUntilElapsed(start, 5);
    EXPECT_GE(static_cast<int32_t>(c.tickCount() - start), 5);
}

TEST(Random, FollowsTheClassicRuntimeSequence) {
    platform::Random r(1);
    // The sequence rand() gives after srand(1) in the classic C runtime.
    EXPECT_EQ(r.next(), 41);
    EXPECT_EQ(r.next(), 18467);
    EXPECT_EQ(r.next(), 6334);
    EXPECT_EQ(r.next(), 26500);
    r.seed(0);
    EXPECT_EQ(r.next(), 38);
    for (int i = 0; i < 1000; ++i) {
        const int v = r.next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, platform::Random::kMax);
    }
}
