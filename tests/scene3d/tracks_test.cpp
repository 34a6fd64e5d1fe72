#include <gtest/gtest.h>

#include <cmath>

#include "scene3d/tracks.h"

using namespace scene3d;

namespace {

TrackKey key(int frame, float value) {
    TrackKey k;
    k.frame = frame;
    k.value = {value, 0, 0, 0};
    return k;
}

} // namespace

TEST(Tracks, TwoKeysGiveLinearTangentsAndTheMidpoint) {
    TrackSet s;
    s.position.keys = {key(0, 0), key(10, 10)};
    computeTangents(s.position);
    EXPECT_FLOAT_EQ(s.position.keys[0].outTangent[0], 10.0f);
    EXPECT_FLOAT_EQ(s.position.keys[1].inTangent[0], 10.0f);
    EXPECT_FLOAT_EQ(s.position.keys[0].inTangent[0], 0.0f);
    EXPECT_FLOAT_EQ(s.position.keys[1].outTangent[0], 0.0f);
    float out[3] = {-1, -1, -1};
    sampleTrack(s, kPositionTrack, 5.0f, out);
    EXPECT_FLOAT_EQ(out[0], 5.0f);
    // At and past the last key: its value exactly. Before the first: the first curve extended.
    sampleTrack(s, kPositionTrack, 10.0f, out);
    EXPECT_FLOAT_EQ(out[0], 10.0f);
    sampleTrack(s, kPositionTrack, 99.0f, out);
    EXPECT_FLOAT_EQ(out[0], 10.0f);
    sampleTrack(s, kPositionTrack, -5.0f, out);
    EXPECT_FLOAT_EQ(out[0], -5.0f);
}

TEST(Tracks, EaseCurve) {
    EXPECT_FLOAT_EQ(easeCurve(0.25f, 0.5f, 0.5f), 0.125f);
    EXPECT_FLOAT_EQ(easeCurve(0.5f, 0.5f, 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(easeCurve(0.3f, 0, 0), 0.3f);
    // Eases that sum past 1 are scaled down to sum to 1.
    EXPECT_FLOAT_EQ(easeCurve(0.5f, 1.0f, 1.0f), 0.5f);
    EXPECT_FLOAT_EQ(easeCurve(1.0f, 0.2f, 0.3f), 1.0f);
}

TEST(Tracks, InnerKeysFollowTensionContinuityAndBias) {
    Track t;
    t.keys = {key(0, 0), key(10, 10), key(20, 0)};
    computeTangents(t);
    // A peak: the slopes on either side cancel.
    EXPECT_FLOAT_EQ(t.keys[1].inTangent[0], 0.0f);
    EXPECT_FLOAT_EQ(t.keys[1].outTangent[0], 0.0f);
    // End keys: (1 - Te)((v1 - v0 - D/2) 1.5 + D f) with D = 0, f = 0.5.
    EXPECT_FLOAT_EQ(t.keys[0].outTangent[0], 15.0f);
    EXPECT_FLOAT_EQ(t.keys[2].inTangent[0], -15.0f); // coming down into the last key
    Track tense = t;
    tense.keys[1].tension = 1;
    tense.keys[1].value[0] = 5;
    tense.keys[2].value[0] = 20;
    computeTangents(tense);
    EXPECT_FLOAT_EQ(tense.keys[1].inTangent[0], 0.0f); // tension 1: a corner
    Track biased = t;
    biased.keys[1].bias = 1;
    biased.keys[2].value[0] = 30;
    computeTangents(biased);
    // Bias 1 takes the slope before the key only: a = 1 * 1 * 1 * 2 / 2 = 1, b = 0.
    EXPECT_FLOAT_EQ(biased.keys[1].inTangent[0], 10.0f);
    EXPECT_FLOAT_EQ(biased.keys[1].outTangent[0], 10.0f);
}

TEST(Tracks, DefaultsAndEmptyTracks) {
    const TrackSet d = defaultTrackSet();
    float q[4] = {9, 9, 9, 9}, s[3] = {9, 9, 9}, roll = 9;
    sampleTrack(d, kRotationTrack, 50, q);
    sampleTrack(d, kScaleTrack, 50, s);
    sampleTrack(d, kRollTrack, 50, &roll);
    for (float v : q)
        EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(s[0], 1.0f); // an object the keyframer never names keeps its size
    EXPECT_EQ(roll, 0.0f);
    TrackSet empty;
    float keep[3] = {1, 2, 3};
    sampleTrack(empty, kPositionTrack, 3, keep);
    EXPECT_EQ(keep[2], 3.0f);
    // Keys on one frame do not divide by zero.
    Track same;
    same.keys = {key(5, 0), key(5, 1), key(5, 2)};
    computeTangents(same);
    EXPECT_TRUE(std::isfinite(same.keys[1].inTangent[0]));
    EXPECT_TRUE(std::isfinite(same.keys[0].outTangent[0]));
}
