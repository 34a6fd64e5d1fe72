#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "fx/wave_table.h"
#include "platform/random.h"

using fx::WaveTable;
using fx::WaveTableShape;
using fx::WaveTail;

namespace {

// The tunnel's two tables and the credits' wobble.
const WaveTableShape kTunnelA{
    .entries = 512, .knots = 7, .controls = 10, .bias = 128, .tail = WaveTail::RepeatLast};
const WaveTableShape kTunnelB{
    .entries = 256, .knots = 7, .controls = 10, .bias = 128, .tail = WaveTail::RepeatLast};
const WaveTableShape kWobble{
    .entries = 256, .knots = 6, .controls = 6, .bias = 0, .tail = WaveTail::CloseToStart};

int largestStep(const WaveTable& w, bool aroundTheEnd) {
    int most = 0;
    const int n = aroundTheEnd ? w.size() : w.size() - 1;
    for (int i = 0; i < n; ++i)
        most = std::max(
            most, std::abs(w[static_cast<size_t>((i + 1) % w.size())] - w[static_cast<size_t>(i)]));
    return most;
}

} // namespace

TEST(WaveTable, SamplesReachOneEntryPerDistinctColumnAndTheTailFillsTheRest) {
    platform::seedRandom(3);
    for (int round = 0; round < 50; ++round) {
        WaveTable a(kTunnelA), b(kTunnelB), wobble(kWobble);
        a.start(300), b.start(300), wobble.start(60);
        a.rebuild(), b.rebuild(), wobble.rebuild();
        ASSERT_EQ(a.reached(), 511);
        ASSERT_EQ(b.reached(), 252);
        ASSERT_EQ(wobble.reached(), 252);
        for (int i = 0; i < 512; ++i)
            ASSERT_TRUE(a[static_cast<size_t>(i)] >= -128 && a[static_cast<size_t>(i)] <= 127);
        for (int i = 0; i < 256; ++i) {
            ASSERT_TRUE(b[static_cast<size_t>(i)] >= -128 && b[static_cast<size_t>(i)] <= 127);
            ASSERT_TRUE(wobble[static_cast<size_t>(i)] >= 0 &&
                        wobble[static_cast<size_t>(i)] <= 255);
        }
        EXPECT_EQ(a[511], a[510]);
        for (size_t i = 252; i < 256; ++i)
            EXPECT_EQ(b[i], b[251]);
        // The wobble is read modulo 256: its tail leads back to the start without a jump
        // larger than the curve's own steps (at most 255 / 42 per sample, with truncation).
        EXPECT_LE(largestStep(wobble, true), 8) << round;
        EXPECT_LE(largestStep(b, false), 10) << round;
    }
}

TEST(WaveTable, FlatControlsGiveAFlatCurve) {
    WaveTable w(kTunnelB);
    for (fx::WaveControl& c : w.controls())
        c.value = 200;
    w.rebuild();
    // 200 - 128, give or take the weights' rounding.
    for (int i = 0; i < 256; ++i)
        EXPECT_NEAR(w[static_cast<size_t>(i)], 72, 1);
}

TEST(WaveTable, MorphsRunTheirLengthThenRestartTowardNewTargets) {
    platform::seedRandom(11);
    WaveTable w(kTunnelA);
    w.start(300);
    for (int k = 7; k < 10; ++k)
        EXPECT_EQ(w.controls()[static_cast<size_t>(k)].value, 0) << "only the knots start random";
    const std::vector<fx::WaveControl> first = w.controls();
    for (int f = 0; f < 300; ++f)
        w.advance(200);
    EXPECT_EQ(w.morphLength(), 300);
    for (size_t k = 0; k < 7; ++k)
        EXPECT_NEAR(w.controls()[k].value, static_cast<float>(first[k].target), 0.01f);
    w.advance(200);
    EXPECT_EQ(w.morphLength(), 200);
    EXPECT_EQ(w.frameCounter(), 1);

    // A restart of 8 frames: the new shape is reached on the 8th frame, and the next frame
    // starts a 200-frame morph from there.
    w.restart(8);
    const std::vector<fx::WaveControl> quick = w.controls();
    for (int f = 0; f < 8; ++f)
        w.advance(200);
    for (size_t k = 0; k < quick.size(); ++k)
        EXPECT_NEAR(w.controls()[k].value, static_cast<float>(quick[k].target), 0.01f);
    EXPECT_EQ(w.morphLength(), 8);
    w.advance(200);
    EXPECT_EQ(w.morphLength(), 200);
    for (size_t k = 0; k < quick.size(); ++k)
        EXPECT_EQ(w.controls()[k].current, quick[k].target);
    for (const fx::WaveControl& c : w.controls())
        EXPECT_FLOAT_EQ(c.step, static_cast<float>(c.target - c.current) / 200);
}
