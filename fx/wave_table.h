#pragma once
// A smooth closed curve of random heights that morphs from one random shape to the next: a few
// control values glide toward random targets, and a uniform cubic B-spline through them (the
// first three repeated at the end, so the curve closes) fills the table, one entry per
// distinct column the samples reach. The tunnel's warps and the credits' wobble read it.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fx {

struct WaveControl {
    int32_t current = 0, target = 0;
    float step = 0, value = 0;
};

// What fills the entries the curve's samples do not reach (a few, since each segment's
// columns are the entry count divided by the knots, rounded down).
enum class WaveTail {
    RepeatLast,  // the last reached entry again
    CloseToStart // a straight run from the last reached entry back to entry 0
};

struct WaveTableShape {
    int entries = 256;
    int knots = 6;    // control values that shape the curve; the spacing is entries div knots
    int controls = 6; // control values kept and morphed (at least knots)
    int bias = 0;     // subtracted from every height (0 .. 255) as it goes into the table
    WaveTail tail = WaveTail::RepeatLast;
};

class WaveTable {
  public:
    WaveTable() = default;
    explicit WaveTable(const WaveTableShape& shape);

    // Control values 0 .. knots - 1 random (rand & 0xFF), the rest 0; each glides toward its
    // target over `frames` frames, which is also the first morph's length.
    void start(int frames);
    // A new morph of every control value: from its value truncated toward a new random target
    // over `frames` frames; the frame counter restarts.
    void restart(int frames);
    // One frame: a control value restarts toward a new target over `nextFrames` frames once
    // the current morph has run its length, else moves by its step; then the table is rebuilt
    // and the frame counter moves on.
    void advance(int nextFrames);
    // The curve through the control values as they are now, into the table.
    void rebuild();

    int32_t operator[](size_t i) const { return values_[i]; }
    const int32_t* data() const { return values_.data(); }
    int size() const { return shape_.entries; }
    // Entries the curve's distinct columns filled at the last rebuild; the tail filled the rest.
    int reached() const { return reached_; }
    int morphLength() const { return morphLength_; }
    int frameCounter() const { return counter_; }
    const std::vector<WaveControl>& controls() const { return controls_; }
    std::vector<WaveControl>& controls() { return controls_; }

  private:
    WaveTableShape shape_;
    std::vector<WaveControl> controls_;
    std::vector<int32_t> values_;
    int morphLength_ = 0, counter_ = 0, reached_ = 0;
};

} // namespace fx
