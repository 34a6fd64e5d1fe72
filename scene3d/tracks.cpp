#include "scene3d/tracks.h"

#include <cmath>

namespace scene3d {

Track& TrackSet::byKind(int kind) {
    switch (kind) {
    case kPositionTrack:
        return position;
    case kRollTrack:
        return roll;
    case kScaleTrack:
        return scale;
    case kRotationTrack:
        return rotation;
    default:
        return fov;
    }
}

const Track& TrackSet::byKind(int kind) const {
    return const_cast<TrackSet*>(this)->byKind(kind);
}

TrackSet defaultTrackSet() {
    TrackSet s;
    for (Track* t : {&s.roll, &s.position, &s.rotation, &s.scale, &s.fov})
        t->resize(1);
    s.scale.keys[0].value = {1, 1, 1, 0};
    return s;
}

void computeTangents(Track& track) {
    std::vector<TrackKey>& k = track.keys;
    const size_t n = k.size();
    if (n < 2) return;
    if (n == 2) {
        for (size_t c = 0; c < 4; ++c) {
            const float delta = k[1].value[c] - k[0].value[c];
            k[0].outTangent[c] = (1 - k[0].tension) * delta;
            k[1].inTangent[c] = (1 - k[1].tension) * delta;
        }
        return;
    }
    auto t = [&](size_t i) { return static_cast<float>(k[i].frame); };
    for (size_t i = 1; i + 1 < n; ++i) {
        const float te = k[i].tension, co = k[i].continuity, bi = k[i].bias;
        const float half = (t(i + 1) - t(i - 1)) / 2;
        // Keys on one frame would divide by zero: their tangents stay flat.
        if (half == 0) continue;
        const float fp = std::fabs(co) + (1 - std::fabs(co)) * (t(i) - t(i - 1)) / half;
        const float fn = std::fabs(co) + (1 - std::fabs(co)) * (t(i + 1) - t(i)) / half;
        const float a = fp * (1 - te) * (1 - co) * (1 + bi) / 2,
                    b = fp * (1 - te) * (1 + co) * (1 - bi) / 2;
        const float c = fn * (1 - te) * (1 + co) * (1 + bi) / 2,
                    d = fn * (1 - te) * (1 - co) * (1 - bi) / 2;
        for (size_t j = 0; j < 4; ++j) {
            const float before = k[i].value[j] - k[i - 1].value[j],
                        after = k[i + 1].value[j] - k[i].value[j];
            k[i].inTangent[j] = a * before + b * after;
            k[i].outTangent[j] = c * before + d * after;
        }
    }
    const float span0 = 2 * (t(2) - t(0)), spanN = 2 * (t(n - 1) - t(n - 3));
    const float f0 = span0 != 0 ? 0.75f - (t(1) - t(0)) / span0 : 0.75f;
    const float fN = spanN != 0 ? 0.75f - (t(n - 1) - t(n - 2)) / spanN : 0.75f;
    for (size_t j = 0; j < 4; ++j) {
        const float d0 = k[2].value[j] - k[0].value[j];
        k[0].outTangent[j] =
            (1 - k[0].tension) * ((k[1].value[j] - k[0].value[j] - d0 / 2) * 1.5f + d0 * f0);
        const float dN = k[n - 1].value[j] - k[n - 3].value[j];
        k[n - 1].inTangent[j] = (1 - k[n - 1].tension) *
                                ((k[n - 1].value[j] - k[n - 2].value[j] - dN / 2) * 1.5f + dN * fN);
    }
}

float easeCurve(float u, float a, float b) {
    const float s = a + b;
    if (s == 0) return u;
    if (s > 1) a /= s, b /= s;
    const float h = 1 / (2 - a - b);
    if (u < a) return u * u * h / a;
    if (u < 1 - b) return h * (2 * u - a);
    return 1 - (1 - u) * (1 - u) * h / b;
}

void sampleTrack(const TrackSet& set, int kind, float t, float* out) {
    const std::vector<TrackKey>& k = set.byKind(kind).keys;
    const size_t components = kind == kRotationTrack                      ? 4
                              : (kind == kRollTrack || kind == kFovTrack) ? 1
                                                                          : 3;
    if (k.empty()) return;
    size_t at = 0;
    for (size_t i = k.size(); i-- > 0;)
        if (static_cast<float>(k[i].frame) <= t) {
            at = i;
            break;
        }
    if (k.size() == 1 || at + 1 == k.size()) {
        for (size_t c = 0; c < components; ++c)
            out[c] = k[at].value[c];
        return;
    }
    const TrackKey &from = k[at], &to = k[at + 1];
    const float span = static_cast<float>(to.frame - from.frame);
    float u = span != 0 ? (t - static_cast<float>(from.frame)) / span : 0.0f;
    u = easeCurve(u, from.easeFrom, to.easeTo);
    const float u2 = u * u, u3 = u2 * u;
    const float h0 = 2 * u3 - 3 * u2 + 1, h1 = -2 * u3 + 3 * u2, h2 = u3 - 2 * u2 + u, h3 = u3 - u2;
    for (size_t c = 0; c < components; ++c)
        out[c] =
            h0 * from.value[c] + h1 * to.value[c] + h2 * from.outTangent[c] + h3 * to.inTangent[c];
}

} // namespace scene3d
