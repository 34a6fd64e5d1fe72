#include "fx/wave_table.h"

#include <algorithm>
#include <cmath>

#include "fx/splines.h"
#include "platform/random.h"

namespace fx {

namespace {

constexpr int kSamplesPerSegment = 200;

int32_t randomHeight() {
    return platform::nextRandom() & 0xFF;
}

} // namespace

WaveTable::WaveTable(const WaveTableShape& shape) : shape_(shape) {
    shape_.entries = std::max(1, shape_.entries);
    shape_.knots = std::max(1, shape_.knots);
    shape_.controls = std::max(shape_.knots, shape_.controls);
    controls_.assign(static_cast<size_t>(shape_.controls), WaveControl{});
    values_.assign(static_cast<size_t>(shape_.entries), 0);
}

void WaveTable::start(int frames) {
    for (size_t k = 0; k < controls_.size(); ++k) {
        WaveControl& c = controls_[k];
        c = WaveControl{};
        if (static_cast<int>(k) >= shape_.knots) continue;
        c.current = randomHeight();
        c.target = randomHeight();
        c.value = static_cast<float>(c.current);
        c.step = static_cast<float>(c.target - c.current) / static_cast<float>(frames);
    }
    morphLength_ = frames, counter_ = 0;
}

void WaveTable::restart(int frames) {
    for (WaveControl& c : controls_) {
        c.current = static_cast<int32_t>(c.value);
        c.target = randomHeight();
        c.value = static_cast<float>(c.current);
        c.step = static_cast<float>(c.target - c.current) / static_cast<float>(frames);
    }
    morphLength_ = frames, counter_ = 0;
}

void WaveTable::advance(int nextFrames) {
    if (counter_ == morphLength_)
        restart(nextFrames);
    else
        for (WaveControl& c : controls_)
            c.value += c.step;
    rebuild();
    ++counter_;
}

void WaveTable::rebuild() {
    const int knots = shape_.knots, spacing = shape_.entries / knots;
    std::vector<Point3f> points(static_cast<size_t>(knots + 3));
    for (int k = 0; k < knots + 3; ++k)
        points[static_cast<size_t>(k)] = {
            static_cast<float>(k * spacing),
            std::trunc(controls_[static_cast<size_t>(k % knots)].value), 0};
    int filled = 0, lastX = 0;
    for (int a = 0; a < knots * kSamplesPerSegment && filled < shape_.entries; ++a) {
        const Point3f p = bSplinePoint(points.data(), a, kSamplesPerSegment);
        const int x = static_cast<int>(p.x);
        if (filled > 0 && x == lastX) continue;
        lastX = x;
        values_[static_cast<size_t>(filled++)] = static_cast<int32_t>(p.y) - shape_.bias;
    }
    reached_ = filled;
    if (filled == 0) return;
    const int32_t last = values_[static_cast<size_t>(filled - 1)], first = values_[0];
    const int gap = shape_.entries - filled + 1;
    for (int e = filled; e < shape_.entries; ++e)
        values_[static_cast<size_t>(e)] = shape_.tail == WaveTail::RepeatLast
                                              ? last
                                              : last + (first - last) * (e - filled + 1) / gap;
}

} // namespace fx
