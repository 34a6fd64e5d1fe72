// Camera rails: points from a track's keys, wrapping indices, kicks and pace; the cosine
// palette.
#include <gtest/gtest.h>

#include "fx/camera_rails.h"
#include "fx/colour_tables.h"

using namespace fx;
using scene3d::Point3f;
using scene3d::Track;

namespace {

Track keys(int n, int spacing) {
    Track t;
    t.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        t.keys[static_cast<size_t>(i)].frame = i * spacing;
        t.keys[static_cast<size_t>(i)].value = {static_cast<float>(i * 10), static_cast<float>(i),
                                                0, 0};
    }
    return t;
}

CameraRail rail(int n, int spacing) {
    CameraRail r;
    buildCameraRail(keys(n, spacing), r);
    return r;
}

} // namespace

TEST(CameraRails, PointCountFollowsKeysAndSpacing) {
    EXPECT_EQ(rail(13, 50).vertexCount, 12 * 50 - 1);
    EXPECT_EQ(rail(13, 50).vertices.size(), 600u);
    EXPECT_EQ(rail(5, 3).vertexCount, 11);
    EXPECT_EQ(rail(2, 4).vertexCount, 3);
    // No rail from fewer than two keys, nor from keys that do not move on in frames.
    EXPECT_EQ(rail(1, 10).vertexCount, -1);
    EXPECT_EQ(rail(0, 10).vertexCount, -1);
    EXPECT_EQ(rail(6, 0).vertexCount, -1);
    EXPECT_TRUE(rail(6, 0).vertices.empty());
}

TEST(CameraRails, LoopStartsAtKeyOneAndClosesThroughKeyZero) {
    // Keys 0 .. 4; the last key gives way to key 0, so the loop runs 1, 2, 3, 0 and back to 1.
    const CameraRail r = rail(5, 4);
    ASSERT_EQ(r.vertices.size(), 16u);
    EXPECT_FLOAT_EQ(r.vertices[0].x, 10);
    EXPECT_FLOAT_EQ(r.vertices[4].x, 20);
    EXPECT_FLOAT_EQ(r.vertices[8].x, 30);
    EXPECT_FLOAT_EQ(r.vertices[12].x, 0);
    EXPECT_FLOAT_EQ(r.vertices[12].y, 0);
}

TEST(CameraRails, IndicesWrapBelowTheCount) {
    EXPECT_FLOAT_EQ(wrapRailIndex(599, 599), 0);
    EXPECT_FLOAT_EQ(wrapRailIndex(598.5f, 599), 598.5f);
    EXPECT_FLOAT_EQ(wrapRailIndex(600.5f, 599), 1.5f);
    EXPECT_FLOAT_EQ(wrapRailIndex(3 * 599 + 7, 599), 7);
    EXPECT_FLOAT_EQ(wrapRailIndex(5, 0), 0);
    EXPECT_FLOAT_EQ(wrapRailIndex(5, -1), 0);
    EXPECT_FLOAT_EQ(wrapRailIndex(-3, 10), 0);
}

TEST(CameraRails, PaceAndKicks) {
    const CameraRail eye = rail(13, 50), target = rail(7, 50); // 599 and 299 vertices
    const RailPace pace{8.033333333333333f, 0.038461538461538464f, 0.000057142857f};
    RailMotion m;
    startRails(m, 100, 1000);
    // A loop in 17.5 s: half-way after 8750 ms, and the target keeps the eye's share.
    RailPoint at = railPoint(m, pace, eye, target, 1000 + 8750);
    EXPECT_NEAR(at.eyeIndex, 100 + 599 * 0.5f, 0.01f);
    EXPECT_NEAR(at.targetIndex, 299.0f / 599 * 100 + 299 * 0.5f, 0.01f);
    at = railPoint(m, pace, eye, target, 1000 + 17500);
    EXPECT_NEAR(at.eyeIndex, 100, 0.05f);
    EXPECT_EQ(at.eye.x, eye.vertices[static_cast<size_t>(at.eyeIndex)].x);

    // A kick adds boost frame by frame for 350 ms, falling off, and then nothing more.
    advanceRails(m, pace, 2000, 30);
    EXPECT_EQ(m.boost, 0);
    kickRails(m, 2000);
    advanceRails(m, pace, 2000, 30);
    EXPECT_NEAR(m.boost, 8.0333333f / (30 * 0.0384615f), 1e-4);
    const float first = m.boost;
    advanceRails(m, pace, 2175, 30);
    EXPECT_NEAR(m.boost - first, first / 2, 1e-3);
    const float held = m.boost;
    advanceRails(m, pace, 2350, 30);
    advanceRails(m, pace, 2400, 30);
    EXPECT_EQ(m.boost, held);
    EXPECT_FALSE(m.kicking);
}

TEST(CosinePalette, BrightestAtTheTopAndHeldToABytePerChannel) {
    ColourTable t{};
    makeCosinePalette(t, {0, 100, 100}, {0, 50, 0}, {300, 0, 0}, 100);
    // Index 255 is r = 1: the linear and power weights in full.
    EXPECT_EQ(t[255], 200u << 16 | 50u << 8 | 255u);
    // Index 0 is a quarter turn: r is nearly 0 and r^100 vanishes.
    EXPECT_EQ(t[0] >> 16, 0u);
    EXPECT_EQ(t[0] & 0xFF, 255u);
    for (size_t i = 1; i < 256; ++i)
        EXPECT_GE(t[i] >> 16, t[i - 1] >> 16) << i;
    // A large exponent keeps the power term to the top entries; m = 1 spreads it evenly.
    ColourTable sharp{}, soft{};
    makeCosinePalette(sharp, {0, 0, 255}, {}, {}, 201);
    makeCosinePalette(soft, {0, 0, 255}, {}, {}, 1);
    EXPECT_LT(sharp[200] >> 16, 20u);
    EXPECT_GT(soft[200] >> 16, 200u);
    // Negative sums stay 0.
    makeCosinePalette(t, {-50, 10, 0}, {}, {}, 1);
    EXPECT_EQ(t[255] >> 16, 0u);
}
