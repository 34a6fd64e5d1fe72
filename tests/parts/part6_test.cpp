#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "parts/part6.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "tests/parts/part_stage.h"
#include "tools/writers/sync_writer.h"

using namespace parts;
using testing_files::eventAt;

namespace {

// part 6 loaded from the generated data on a virtual clock, its sync file written by the test.
struct Fountain : testing_files::TakenOverPart<Part6> {
    explicit Fountain(const writers::SyncChannels& s4) : TakenOverPart("part6", s4) {}
};

} // namespace

TEST(Part6, LoadsSixUpturnedPlanesAndFourRails) {
    Fountain f({{eventAt(0.9, 80, 4)}, {}});
    Part6State& s = f.part.state();
    ASSERT_GE(s.scene.meshes.size(), 7u);
    EXPECT_EQ(s.scene.meshes[0]->renderMode, 302);
    for (size_t i = 1; i < s.scene.meshes.size(); ++i)
        EXPECT_EQ(s.scene.meshes[i]->renderMode, 301) << i;
    ASSERT_EQ(s.planes.size(), 6u);
    for (const fx::BouncePlane& p : s.planes) {
        EXPECT_GT(p.normal.y, 0.8f) << "the surfaces face up, so that falling particles bounce";
        EXPECT_LT(p.minX, p.maxX);
        EXPECT_LT(p.minZ, p.maxZ);
    }
    EXPECT_GT(s.eyeRail.vertexCount, 700) << "the flight starts 700.5 vertices in";
    EXPECT_GT(s.emitterRail.vertexCount, 0);
    EXPECT_GT(s.targetRail.vertexCount, 0);
}

TEST(Part6, ViewHeldWhileCursorIsEightAndParticlesFrozenAtSeven) {
    EXPECT_EQ(fountainViewFactor(0, 3), 256);
    EXPECT_EQ(fountainViewFactor(90, 3), 166);
    EXPECT_EQ(fountainViewFactor(90, 8), 256);
    EXPECT_EQ(fountainViewFactor(90, 9), 166);
    EXPECT_TRUE(particlesFrozen(7, 80, 35));
    EXPECT_TRUE(particlesFrozen(7, 75, 241));
    EXPECT_FALSE(particlesFrozen(7, 76, 36));
    EXPECT_FALSE(particlesFrozen(8, 0, 0));
}

TEST(Part6, PoursFallsBouncesAndHandsOverWhenChannelZeroRunsOut) {
    // Channel 0 has one event left, late: the fountain runs until it fires and then ends.
    Fountain f({{eventAt(0.95, 90, 4)}, {eventAt(0.1, 241, 2), eventAt(0.3, 241, 2)}});
    Part6State& s = f.part.state();
    platform::seedRandom(3);
    int bounced = 0;
    for (int i = 0; i < 40 && f.context.partNumber == 1; ++i) {
        f.frame();
        s.particles.forEach(
            [&](const fx::BouncingParticle& p) { bounced += p.velocity.y > 0 && p.age > 0.3f; });
    }
    EXPECT_GT(s.particles.liveCount(), 20);
    EXPECT_GT(bounced, 0) << "some particles come back up off the panels";
    for (int i = 0; i < 60 && f.context.partNumber == 1; ++i)
        f.frame();
    EXPECT_EQ(f.context.partNumber, 7);
}

TEST(Part6, AFullPoolEmitsNothing) {
    Fountain f({{eventAt(0.9, 80, 4)}, {}});
    Part6State& s = f.part.state();
    for (int i = 0; i < 2000; ++i)
        ASSERT_TRUE(f.part.emit(40)) << i;
    EXPECT_FALSE(f.part.emit(40));
    EXPECT_EQ(s.particles.liveCount(), 2000);
    // One dies, one more may start.
    int first = 1;
    s.particles.forEach([&](fx::BouncingParticle& p) { p.age = first-- > 0 ? 6 : 0; });
    fx::fall(s.particles, 0, 0);
    EXPECT_TRUE(f.part.emit(40));
    EXPECT_FALSE(f.part.emit(40));
}
