#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

#include "parts/part1.h"
#include "platform/clock.h"
#include "raster/texture_fillers.h"
#include "tests/parts/part_stage.h"

using namespace parts;

namespace {

// part 1 loaded in a fresh production, on a virtual clock, with the shell's state it is lent.
struct City : testing_files::PartStage {
    Part1 part;

    City() : PartStage("part1") {
        open();
        part.load(stage, 512, 256);
    }
    // One frame as the shell runs it; returns its length in ms.
    uint32_t frame() {
        const uint32_t before = platform::tickCount();
        platform::tickFrameClock(clock, before);
        part.run(stage);
        return platform::tickCount() - before;
    }
};

} // namespace

TEST(Part1, WalkersAndTheirCrossings) {
    City c;
    Part1State& s = c.part.state();
    int inactive = 0;
    for (const Walker& w : s.swarm.walkers)
        inactive += !w.active;
    EXPECT_EQ(s.swarm.walkers.size(), 1500u);
    EXPECT_EQ(inactive, 30);
    // Every hop moves to a neighbouring crossing in column or row, never off the grid.
    Walker w;
    for (int hop = 0; hop < 20000; ++hop) {
        chooseNextCrossing(s.swarm, w);
        const int dc = std::abs(w.toColumn - w.fromColumn), dr = std::abs(w.toRow - w.fromRow);
        ASSERT_EQ(dc + dr, 1) << hop;
        ASSERT_TRUE(w.toColumn >= 0 && w.toColumn <= 15 && w.toRow >= 0 && w.toRow <= 15);
    }
    // A walker whose progress passes 1 is on its way to a new crossing at once.
    Walker v;
    v.progress = 0.99f, v.speed = 1;
    streetStep(s.swarm, v, 30);
    EXPECT_FLOAT_EQ(v.progress, 0);
    EXPECT_NE(v.toColumn * 16 + v.toRow, v.fromColumn * 16 + v.fromRow);
}

TEST(Part1, FiveBlockBeats) {
    City c;
    Part1State& s = c.part.state();
    const std::array<Block, 5> first = c.part.fiveBlockBeat();
    const std::array<std::pair<int, int>, 5> fixed = {{{6, 6}, {7, 8}, {7, 5}, {9, 9}, {8, 8}}};
    for (size_t k = 0; k < 5; ++k)
        EXPECT_EQ(std::make_pair(first[k].column, first[k].row), fixed[k]);
    for (const scene3d::Point3f target :
         {scene3d::Point3f{0, 0, 0}, scene3d::Point3f{-500, 0, -500}, scene3d::Point3f{480, 0, 480},
          scene3d::Point3f{5000, 0, -9000}}) {
        s.camera.target = target;
        for (int beat = 0; beat < 50; ++beat) {
            const std::array<Block, 5> b = c.part.fiveBlockBeat();
            for (const Block& x : b)
                ASSERT_TRUE(x.column >= 0 && x.column <= 14 && x.row >= 0 && x.row <= 14);
            if (target.x != 0) continue;
            // Room enough near the centre: every pair apart.
            for (size_t i = 0; i < 5; ++i)
                for (size_t j = 0; j < i; ++j)
                    ASSERT_TRUE(std::abs(b[i].column - b[j].column) >= 2 ||
                                std::abs(b[i].row - b[j].row) >= 2);
        }
    }
    // The walkers around a block are those on its four sides.
    Walker w;
    w.fromColumn = 6, w.fromRow = 7, w.toColumn = 7, w.toRow = 7;
    EXPECT_TRUE(around(w, {6, 6}));
    EXPECT_TRUE(around(w, {6, 7}));
    EXPECT_FALSE(around(w, {7, 7}));
}

TEST(Part1, FrameCapsAndTheHandOver) {
    City c;
    Part1State& s = c.part.state();
    int openingFrames = 0;
    while (!s.musicStarted && openingFrames < 500) {
        EXPECT_EQ(c.frame(), 30u);
        ++openingFrames;
    }
    EXPECT_NEAR(openingFrames, 3000 / 30, 2);
    EXPECT_NE(c.context.musicStartTick, 0u);
    // 25 ms frames until the bouncing light has flown 2000 ms, then 43.47826 ms ones.
    uint32_t previousElapsed = 0;
    bool switched = false;
    while (c.context.partNumber == 1) {
        const uint32_t length = c.frame();
        const uint32_t elapsed = c.clock.frameTickCount - s.startTick;
        if (elapsed < 2000) {
            ASSERT_EQ(length, 25u) << elapsed;
        } else {
            ASSERT_TRUE(length == 43 || length == 44) << elapsed;
            switched = true;
        }
        if (c.context.partNumber == 2) {
            EXPECT_GE(elapsed, 55000u);
            // From the music's start: the opening's last frame, then 55 s to within a frame.
            EXPECT_NEAR(static_cast<double>(c.clock.frameTickCount - c.context.musicStartTick),
                        55000.0 + 30, 44.0);
            EXPECT_LT(previousElapsed, 55000u) << "the first frame at or after 55 s";
        }
        previousElapsed = elapsed;
        ASSERT_LT(elapsed, 60000u);
    }
    EXPECT_TRUE(switched);
    ASSERT_TRUE(s.handedOver);
    EXPECT_EQ(s.lastPicture.width, 512);
    EXPECT_FLOAT_EQ(s.lastCamera.eye.x, s.camera.eye.x);
    EXPECT_FLOAT_EQ(s.lastCamera.target.y, s.camera.target.y);
    EXPECT_TRUE(s.swarm.inSky);
}

TEST(Part1, TheCityStaysOnThroughTheOpeningsLastFrames) {
    City c;
    Part1State& s = c.part.state();
    c.frame();
    while (platform::tickCount() - s.openingStart < 2990)
        c.frame();
    // A late last frame of the opening: the fade's alpha passes 255 there and must stay there.
    platform::waitUntilElapsed(platform::tickCount(), 20);
    c.frame();
    ASSERT_GE(c.clock.frameTickCount - s.openingStart, 3010u);
    ASSERT_TRUE(s.musicStarted) << "the frame was the opening's";
    uint64_t city = 0, shown = 0;
    for (size_t i = 0; i < s.city.pixelCount(); ++i)
        for (int k = 0; k < 24; k += 8)
            city += (s.city.pixels[i] >> k) & 255, shown += (c.framebuffer.pixels[i] >> k) & 255;
    ASSERT_GT(city, 0u);
    EXPECT_GT(shown, city * 9 / 10);
}

TEST(Part1, ABeatBeforeTheLightArrivesStillEndsItsFlight) {
    City c;
    Part1State& s = c.part.state();
    while (!s.musicStarted)
        c.frame();
    auto drawFrame = [&](int32_t beat) {
        platform::tickFrameClock(c.clock, platform::tickCount());
        s.sync = {0, beat, 0, 0, 0};
        c.part.mainDrawing(c.stage, c.framebuffer, false);
        platform::waitUntilElapsed(platform::tickCount(), 25);
    };
    drawFrame(255);
    EXPECT_TRUE(s.bounceRetired);
    while (c.clock.frameTickCount - s.startTick < 2100)
        drawFrame(0);
    EXPECT_TRUE(s.arrived) << "the walkers are drawn and the frames slow down";
}
