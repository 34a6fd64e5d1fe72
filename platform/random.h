#pragma once
// The production's random numbers: the classic C runtime sequence, so that one seed gives
// the same production on every platform.
#include <cstdint>

namespace platform {

class Random {
  public:
    static constexpr int kMax = 32767;

    explicit Random(uint32_t seed = 1) : state_(seed) {}
    void seed(uint32_t s) { state_ = s; }
    // 0 .. kMax: bits 16 to 30 of the state after one step.
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

  private:
    uint32_t state_;
};

// The generator the parts draw from (srand / rand).
Random& random();
inline void seedRandom(uint32_t s) {
    random().seed(s);
}
inline int nextRandom() {
    return random().next();
}

} // namespace platform
