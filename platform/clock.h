#pragma once
// The one source of time. Real mode reads a monotonic wall clock; virtual mode only moves
// when the program waits or presents, so a headless run is repeatable bit for bit.
#include <cstdint>

namespace platform {

// Frames a second as a fraction, num / den (60000 / 1001 for NTSC's 59.94).
struct FrameRate {
    uint32_t num = 30, den = 1;
    // When period k begins, in microseconds from the first: exact, then truncated.
    uint64_t periodStartUs(uint64_t k) const { return k * 1'000'000 * den / num; }
    double perSecond() const { return static_cast<double>(num) / den; }
};

class Clock {
  public:
    // Virtual clocks start well away from 0: the frame clock measures its first second from
    // a last-update tick of 0, as a real tick count since boot would.
    static constexpr uint32_t kVirtualStartTick = 10'000'000;

    static Clock real();
    static Clock virtualClock(int presentsPerSecond, uint32_t startTick = kVirtualStartTick);
    static Clock virtualClock(FrameRate presents, uint32_t startTick = kVirtualStartTick);
    // A real clock that goes on from where this one stands: same tick count and
    // microseconds now, moving with the wall clock from here.
    Clock continuedInRealTime() const;
    // A virtual clock that goes on from where this one stands, presenting at `presents`.
    Clock continuedInVirtualTime(FrameRate presents) const;

    bool isVirtual() const { return virtual_; }

    // Milliseconds, wrapping at 2^32 like GetTickCount.
    uint32_t tickCount() const;

    // Returns once tickCount() - start, taken as a signed difference, has reached ms
    // (a fractional ms is compared in floating point, as part 1 does).
    void waitUntilElapsed(uint32_t start, double ms);

    // Called once per presented frame. Virtual mode: moves time on to at least the previous
    // present plus one frame of the present rate, so a screen without a frame cap still
    // takes time.
    void onPresent();

    // Microseconds since the clock began; virtual mode's exact time, used by the capture
    // and the silent audio position.
    uint64_t microseconds() const;

    // Virtual mode only: move time forward (tests, and waits of the platform itself).
    void advanceMicroseconds(uint64_t us);

  private:
    Clock() = default;
    bool virtual_ = false;
    uint32_t startTick_ = 0;
    uint64_t nowUs_ = 0;
    uint64_t lastPresentUs_ = 0;
    bool presented_ = false;
    uint64_t presentIntervalUs_ = 0;
    int64_t realOriginNs_ = 0;
};

// The process-wide clock that tickCount() and waitUntilElapsed() use.
Clock& clock();
void setClock(const Clock& c);

inline uint32_t tickCount() {
    return clock().tickCount();
}

// Real microseconds from a monotonic clock, whatever the mode: for measuring how long work
// takes (benchmarks), never for the production's own timing.
uint64_t stopwatchMicroseconds();
inline void waitUntilElapsed(uint32_t start, double ms) {
    clock().waitUntilElapsed(start, ms);
}

// A real pause that moves no clock: while the program waits for the user (paused).
void restMilliseconds(int ms);

} // namespace platform
