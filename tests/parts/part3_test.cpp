#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "fx/fountains.h"
#include "parts/part3.h"

using namespace parts;

namespace {

struct Doors {
    Part1 city;
    Part2 machine{city};
    Part3 part{machine};
    Part3State& s = part.state();
};

void noise(picture::Image32& p, int seed) {
    if (!p.pixels) p.create(512, 256);
    std::mt19937 gen(static_cast<unsigned>(seed));
    for (size_t i = 0; i < p.pixelCount(); ++i)
        p.pixels[i] = static_cast<uint32_t>(gen()) & 0x00FFFFFF;
}

bool same(const picture::Image32& a, const picture::Image32& b) {
    return std::equal(a.pixels, a.pixels + a.pixelCount(), b.pixels);
}

} // namespace

TEST(Part3, FountainPathsAndTheirSparks) {
    Doors d;
    fx::FountainKeys keys;
    for (int i = 0; i < 4; ++i) {
        d.part.buildFountainKeys(i, keys);
        fx::SparkFountain f;
        fx::sampleFountainPath(keys, f);
        EXPECT_EQ(f.pointCount, 357) << "gaps of 10 give 11 samples, the gap of 50 gives 50";
        // Every path ends on the pile.
        EXPECT_NEAR(f.path[357].x, -70, 1e-3);
        EXPECT_NEAR(f.path[357].y, 180, 1e-3);
        EXPECT_NEAR(f.path[357].z, 365, 1e-3);
    }
    fx::SparkFountain f;
    d.part.buildFountainKeys(0, keys);
    fx::sampleFountainPath(keys, f);
    // A spark at speed 0 stays where it is and keeps its slot.
    fx::releaseFountainSpark(f, 0, 3);
    for (int frame = 0; frame < 1000; ++frame)
        EXPECT_EQ(fx::advanceFountainSparks(f, 30), 0);
    EXPECT_EQ(f.sparks.liveCount(), 1);
    // A full fountain releases nothing until a spark is freed.
    for (int i = 0; i < 400; ++i)
        fx::releaseFountainSpark(f, i < 299 ? 10.0f : 0.0f, 3);
    EXPECT_EQ(f.sparks.liveCount(), 300);
    int freed = 0;
    for (int frame = 0; frame < 40; ++frame)
        freed += fx::advanceFountainSparks(f, 30);
    EXPECT_EQ(freed, 299);
    EXPECT_EQ(f.sparks.liveCount(), 1);
}

TEST(Part3, DebrisFallsOnceLetGo) {
    fx::DebrisPool pool;
    *pool.pieces.spawn() = {3, true, {-70, 180, 365}, {1, 5, 0}};
    fx::advanceDebris(pool, 25);
    pool.pieces.forEach([](const fx::DebrisPiece& p) { EXPECT_FLOAT_EQ(p.position.y, 180); });
    pool.pieces.forEach([](fx::DebrisPiece& p) { p.held = false; });
    int frames = 0;
    while (pool.pieces.liveCount() > 0 && frames < 1000)
        fx::advanceDebris(pool, 25), ++frames;
    EXPECT_EQ(frames, 251) << "size 3 grows by 0.008 a frame until past 5";
}

TEST(Part3, TheBlurNarrowsFromSixtyToNoneWithin900Ms) {
    Doors d;
    d.s.blurStart = 1000;
    picture::Image32 base, fb;
    noise(base, 1), noise(fb, 1);
    d.part.blur(fb, 1000, -1);
    EXPECT_FALSE(same(fb, base)) << "60 wide at the start";
    noise(fb, 1);
    d.part.blur(fb, 1000 + 800, -1);
    EXPECT_FALSE(same(fb, base)) << "still 6 wide at 800 ms";
    noise(fb, 1);
    d.part.blur(fb, 1000 + 895, -1);
    EXPECT_TRUE(same(fb, base)) << "under one pixel wide near the end";
    noise(fb, 1);
    d.part.blur(fb, 1000 + 901, -1);
    EXPECT_TRUE(same(fb, base));
    // A 235 on channel 0 with its cursor at 5 starts it again.
    d.s.sync = {235, 0, 0, 0, 0};
    d.part.blur(fb, 5000, 5);
    EXPECT_EQ(d.s.blurStart, 5000u);
    EXPECT_FALSE(same(fb, base));
}

TEST(Part3, TheEchoFreezesAFrameAndFadesItOverASecond) {
    Doors d;
    d.s.echo.create(512, 256);
    picture::Image32 fb, frozen;
    noise(fb, 2), noise(frozen, 2);
    d.s.sync = {0, 235, 0, 0, 0};
    d.part.echo(fb, 20000);
    EXPECT_TRUE(same(d.s.echo, frozen)) << "the frame frozen";
    d.s.sync = {};
    auto brightness = [](const picture::Image32& p) {
        uint64_t t = 0;
        for (size_t i = 0; i < p.pixelCount(); ++i)
            t += p.pixels[i] & 255;
        return t;
    };
    uint64_t previous = UINT64_MAX;
    for (uint32_t ms : {100u, 400u, 700u, 990u}) {
        picture::Image32 black;
        black.create(512, 256);
        d.part.echo(black, 20000 + ms);
        const uint64_t b = brightness(black);
        EXPECT_LT(b, previous) << ms;
        EXPECT_GT(b, 0u) << ms;
        previous = b;
    }
    picture::Image32 black;
    black.create(512, 256);
    d.part.echo(black, 21001);
    EXPECT_EQ(brightness(black), 0u) << "gone after a second";
}

TEST(Part3, ArrowKeysMoveTheFountainsAUnitAFrame) {
    Doors d;
    platform::InputState input;
    input.slots[0] = 1; // Up
    for (int i = 0; i < 5; ++i)
        d.part.readKeys(input);
    EXPECT_FLOAT_EQ(d.s.anchor.x, 76);
    input.slots[0] = 0, input.slots[3] = 1, input.slots[5] = 1; // Left, Page Down
    d.part.readKeys(input);
    EXPECT_FLOAT_EQ(d.s.anchor.y, -1335);
    EXPECT_FLOAT_EQ(d.s.anchor.z, 640);
    // The letter I pauses the keys for ten frames.
    input.slots[kDebugKeySlot] = 1;
    d.part.readKeys(input);
    input.slots[kDebugKeySlot] = 0;
    for (int i = 0; i < 10; ++i)
        d.part.readKeys(input);
    EXPECT_FLOAT_EQ(d.s.anchor.y, -1335);
    d.part.readKeys(input);
    EXPECT_FLOAT_EQ(d.s.anchor.y, -1336);
}
