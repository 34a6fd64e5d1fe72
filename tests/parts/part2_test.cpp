#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "parts/part2.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "scene3d/scene.h"
#include "tests/parts/part_stage.h"

using namespace parts;
using scene3d::Mesh;
using scene3d::MeshFace;
using scene3d::Point3f;

namespace {

struct Machine {
    Part1 city;
    Part2 part{city};
    Part2State& s = part.state();
};

// A strip of triangles down a slope, ending on a flat step whose vertices have no lower
// neighbour: 0 1 / 2 3 / 4 5 from the top, 4 and 5 at the bottom level.
Mesh slope() {
    Mesh m;
    m.vertices = {{0, 20, 0}, {1, 20, 0}, {0, 10, 0}, {1, 10, 0}, {0, 0, 0}, {1, 0, 0}};
    m.faces = {{0, 0, 1, 2, 0, 0}, {1, 1, 3, 2, 0, 0}, {2, 2, 3, 4, 0, 0}, {3, 3, 5, 4, 0, 0}};
    m.cameraVertices = m.vertices;
    return m;
}

} // namespace

TEST(Part2, SparksStartAboveTwoStepsAndFadeOutOnTheirLastEdge) {
    Machine m;
    Mesh cylinder = slope();
    buildDownhillTable(cylinder, m.s.downhill);
    EXPECT_EQ(m.s.downhill.counts, (std::vector<int32_t>{1, 2, 1, 2, 0, 0}));
    m.s.cylinder = &cylinder;
    platform::seedRandom(7);
    for (int i = 0; i < 200; ++i)
        m.part.releaseSpark(30);
    EXPECT_EQ(m.s.sparks.liveCount(), 200);
    m.s.sparks.forEach([](const EdgeSpark& p) {
        EXPECT_LT(p.from, 2) << "only the top row has a downhill neighbour that has one too";
        EXPECT_TRUE(p.fadeIn);
    });
    // Every spark ends: it reaches the bottom, fades out along its last edge and frees its slot.
    int frames = 0;
    bool sawFadeOut = false;
    while (m.s.sparks.liveCount() > 0 && frames < 1000) {
        m.part.advanceSparks();
        m.s.sparks.forEach([&](const EdgeSpark& p) {
            if (!p.fadeOut) return;
            sawFadeOut = true;
            EXPECT_EQ(m.s.downhill.counts[static_cast<size_t>(p.to)], 0);
        });
        ++frames;
    }
    EXPECT_TRUE(sawFadeOut);
    EXPECT_EQ(m.s.sparks.liveCount(), 0);
    // A full pool releases nothing; a mesh with no two-step descent releases nothing, and ends.
    for (int i = 0; i < 1100; ++i)
        m.part.releaseSpark(30);
    EXPECT_EQ(m.s.sparks.liveCount(), 1000);
    Machine flat;
    Mesh level = slope();
    for (Point3f& v : level.vertices)
        v.y = 5;
    buildDownhillTable(level, flat.s.downhill);
    flat.s.cylinder = &level;
    flat.part.releaseSpark(30);
    EXPECT_EQ(flat.s.sparks.liveCount(), 0);
}

TEST(Part2, DownhillTableKeepsTwentyNeighbours) {
    Mesh fan;
    fan.vertices.push_back({0, 100, 0});
    for (int i = 0; i < 30; ++i)
        fan.vertices.push_back({static_cast<float>(i), 0, 1});
    for (int i = 0; i < 29; ++i)
        fan.faces.push_back({i, 0, i + 1, i + 2, 0, 0});
    DownhillTable t;
    buildDownhillTable(fan, t);
    EXPECT_EQ(t.counts[0], 20);
    EXPECT_EQ(t.counts[1], 0);
}

TEST(Part2, GhostingFlashAveragesWithShiftedCopiesAndEndsAfter740Ms) {
    Machine m;
    picture::Image32 fb;
    fb.create(512, 256);
    std::mt19937 gen(3);
    for (size_t i = 0; i < fb.pixelCount(); ++i)
        fb.pixels[i] = static_cast<uint32_t>(gen()) & 0x00FFFFFF;
    const std::vector<uint32_t> before(fb.pixels, fb.pixels + fb.pixelCount());
    m.s.flashCopy.create(512, 256);
    m.s.flashStart = 10000, m.s.flashValue = 255;
    m.part.ghostingFlash(fb, 10000);
    auto avg = [](uint32_t a, uint32_t b) { return (a & b) + (((a ^ b) >> 1) & 0x7F7F7F7Fu); };
    for (int y = 0; y < 256; y += 17)
        for (int x = 0; x < 512; ++x) {
            const size_t i = static_cast<size_t>(y * 512 + x);
            uint32_t expect = before[i];
            if (x + 63 < 512) expect = avg(expect, before[i + 63]);
            if (x - 63 >= 0) expect = avg(expect, before[i - 63]);
            ASSERT_EQ(fb.pixels[i], expect) << x << "," << y;
        }
    const std::vector<uint32_t> after(fb.pixels, fb.pixels + fb.pixelCount());
    m.part.ghostingFlash(fb, 10741);
    EXPECT_EQ(std::vector<uint32_t>(fb.pixels, fb.pixels + fb.pixelCount()), after);
    EXPECT_EQ(m.s.flashValue, 0);
}

TEST(Part2, TheFlashLatchFiresOncePerEvent) {
    Machine m;
    m.s.handledFlash.clear();
    EXPECT_TRUE(m.s.handledFlash.fireOnce(-1));
    EXPECT_FALSE(m.s.handledFlash.fireOnce(0)) << "-1 counts as 0";
    EXPECT_TRUE(m.s.handledFlash.fireOnce(3));
    EXPECT_FALSE(m.s.handledFlash.fireOnce(3));
    EXPECT_FALSE(m.s.handledFlash.fireOnce(100));
}

TEST(Part2, FadeInTakes127Frames) {
    Machine m;
    picture::Image32 fb;
    fb.create(16, 16);
    int darkened = 0;
    for (int frame = 0; frame < 200; ++frame) {
        std::fill_n(fb.pixels, fb.pixelCount(), 0x00FFFFFFu);
        m.part.fadeIn(fb);
        if (frame == 0) {
            EXPECT_EQ(fb.pixels[0], 0x00020202u) << "253 taken away";
        }
        darkened += fb.pixels[0] != 0x00FFFFFFu;
    }
    EXPECT_EQ(darkened, 127);
}

TEST(Part2, CursorsOutsideTheTableLeaveTheCamera) {
    Machine m;
    m.s.sync = {0, 0, 0, 255, 0};
    m.s.cameraIndex = 4, m.s.animStart = 1234, m.s.animDuration = 24000;
    for (int cursor : {4, 5, 6, 15, 16}) {
        m.part.controlCamera(20000, cursor, -1);
        EXPECT_EQ(m.s.cameraIndex, 4) << cursor;
        EXPECT_EQ(m.s.animStart, 1234u) << cursor;
        EXPECT_FLOAT_EQ(m.s.animDuration, 24000) << cursor;
    }
    m.part.controlCamera(20000, 18, -1);
    EXPECT_EQ(m.s.cameraIndex, 6);
    EXPECT_TRUE(m.s.reverse);
    EXPECT_FLOAT_EQ(m.s.reverseFrom, 855);
    m.s.sync = {0, 0, 0, 0, 255};
    m.part.controlCamera(30000, -1, 3);
    EXPECT_EQ(m.s.cameraIndex, 1);
    EXPECT_EQ(m.s.animStart, 30000u - 7150);
    EXPECT_FALSE(m.s.reverse);
}

TEST(Part2, PlaysLitAfterItsFadeInAndHandsOverAt84Seconds) {
    testing_files::PartStage t("part2");
    t.open();
    picture::Image32& framebuffer = t.framebuffer;
    sound::DemoContext& context = t.context;
    platform::FrameClock& clock = t.clock;
    Stage& stage = t.stage;
    Machine m;
    m.city.load(stage, 512, 256);
    m.part.load(stage, 512, 256);
    sound::startMusic(context);
    platform::waitUntilElapsed(platform::tickCount(), 80000);
    context.partNumber = 2;
    int frames = 0;
    double darkest = 255;
    while (context.partNumber == 2 && frames < 1000) {
        platform::tickFrameClock(clock, platform::tickCount());
        m.part.run(stage);
        if (++frames > 140) {
            uint64_t sum = 0;
            for (size_t i = 0; i < framebuffer.pixelCount(); ++i)
                sum += (framebuffer.pixels[i] & 255) + ((framebuffer.pixels[i] >> 8) & 255) +
                       ((framebuffer.pixels[i] >> 16) & 255);
            darkest = std::min(darkest, static_cast<double>(sum) /
                                            (3.0 * static_cast<double>(framebuffer.pixelCount())));
        }
    }
    ASSERT_EQ(context.partNumber, 3);
    const uint32_t at = clock.frameTickCount - context.musicStartTick;
    EXPECT_GT(at, 83999u);
    EXPECT_LE(at, 84000u + 29) << "the first frame past 84 s";
    EXPECT_GT(darkest, 8.0) << "the machine lit once the fade-in is over";
}
