#include "platform/clock.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace platform {

namespace {

int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Clock& globalClock() {
    static Clock c = Clock::real();
    return c;
}

} // namespace

Clock Clock::real() {
    Clock c;
    c.virtual_ = false;
    const int64_t ns = steadyNanoseconds();
    c.realOriginNs_ = ns;
    // Like GetTickCount: milliseconds since some moment well before the program started.
    c.startTick_ = static_cast<uint32_t>(ns / 1'000'000);
    return c;
}

Clock Clock::virtualClock(int presentsPerSecond, uint32_t startTick) {
    return virtualClock(
        FrameRate{presentsPerSecond > 0 ? static_cast<uint32_t>(presentsPerSecond) : 30u, 1},
        startTick);
}

Clock Clock::virtualClock(FrameRate presents, uint32_t startTick) {
    Clock c;
    c.virtual_ = true;
    c.startTick_ = startTick;
    if (presents.num == 0 || presents.den == 0) presents = {30, 1};
    c.presentIntervalUs_ = (uint64_t{1'000'000} * presents.den + presents.num - 1) / presents.num;
    return c;
}

Clock Clock::continuedInRealTime() const {
    Clock c;
    c.virtual_ = false;
    c.startTick_ = startTick_;
    c.realOriginNs_ = steadyNanoseconds() - static_cast<int64_t>(microseconds()) * 1000;
    return c;
}

Clock Clock::continuedInVirtualTime(FrameRate presents) const {
    Clock c = virtualClock(presents, startTick_);
    c.nowUs_ = microseconds();
    return c;
}

uint64_t Clock::microseconds() const {
    if (virtual_) return nowUs_;
    return static_cast<uint64_t>(steadyNanoseconds() - realOriginNs_) / 1000;
}

uint32_t Clock::tickCount() const {
    return startTick_ + static_cast<uint32_t>(microseconds() / 1000);
}

void Clock::waitUntilElapsed(uint32_t start, double ms) {
    auto elapsed = [&] { return static_cast<double>(static_cast<int32_t>(tickCount() - start)); };
    if (elapsed() >= ms) return;
    if (virtual_) {
        // The first tick at which the comparison holds.
        const int64_t needTicks = static_cast<int64_t>(std::ceil(ms));
        const uint32_t targetTick = start + static_cast<uint32_t>(needTicks);
        const uint32_t ahead = targetTick - tickCount();
        // Jump to the start of the target millisecond.
        nowUs_ = (nowUs_ / 1000 + ahead) * 1000;
        return;
    }
    // Sleep through most of the wait, then spin for the last millisecond or two.
    for (;;) {
        const double left = ms - elapsed();
        if (left <= 0) return;
        if (left > 2.0)
            std::this_thread::sleep_for(
                std::chrono::microseconds(static_cast<int64_t>((left - 1.5) * 1000)));
        else
            std::this_thread::yield();
    }
}

void Clock::onPresent() {
    if (!virtual_) return;
    if (presented_ && nowUs_ < lastPresentUs_ + presentIntervalUs_)
        nowUs_ = lastPresentUs_ + presentIntervalUs_;
    lastPresentUs_ = nowUs_;
    presented_ = true;
}

void Clock::advanceMicroseconds(uint64_t us) {
    if (virtual_) nowUs_ += us;
}

uint64_t stopwatchMicroseconds() {
    return static_cast<uint64_t>(steadyNanoseconds() / 1000);
}

void restMilliseconds(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Clock& clock() {
    return globalClock();
}
void setClock(const Clock& c) {
    globalClock() = c;
}

} // namespace platform
