#pragma once
// Keyframe tracks: Kochanek-Bartels tangents computed once after loading, sampled at a
// fractional frame through the ease curve and a cubic Hermite.
#include <array>
#include <cstddef>
#include <vector>

namespace scene3d {

enum TrackKind : int {
    kPositionTrack = 0,
    kRollTrack = 1,
    kScaleTrack = 2,
    kRotationTrack = 3,
    kFovTrack = 4
};

struct TrackKey {
    int frame = 0;
    float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
    std::array<float, 4> value{};
    std::array<float, 4> inTangent{};
    std::array<float, 4> outTangent{};
};
static_assert(sizeof(TrackKey) == 18 * 4, "a key is 18 words");

struct Track {
    std::vector<TrackKey> keys;
    void resize(size_t n) { keys.assign(n, TrackKey{}); }
};

// Five tracks, stored in the file order of the record: roll, position, rotation, scale, fov.
struct TrackSet {
    int leading = 0;
    Track roll, position, rotation, scale, fov;
    Track& byKind(int kind);
    const Track& byKind(int kind) const;
};

// One key at frame 0 in each track. Its values are 0, except the scale's, which is 1 (an
// object the keyframer never names keeps its size instead of vanishing).
TrackSet defaultTrackSet();

void computeTangents(Track& track);

// The value of one track at frame t into out (1, 3 or 4 components by kind); out keeps the
// caller's default when the track has no keys.
void sampleTrack(const TrackSet& set, int kind, float t, float* out);

// The ease curve between a key with ease from a and the next with ease to b.
float easeCurve(float u, float a, float b);

} // namespace scene3d
