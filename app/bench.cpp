#include "app/bench.h"

#include <sys/resource.h>

#include <algorithm>

#include "platform/clock.h"

namespace app {

void BenchRecorder::runBegins() {
    runStartedUs_ = platform::stopwatchMicroseconds();
}

void BenchRecorder::frameBegin(const std::string& screen, uint64_t virtualUs, uint64_t musicBytes) {
    if (!enabled) return;
    if (screens_.empty() || screens_.back().name != screen) {
        screens_.push_back({screen, {}, virtualUs, musicBytes});
    }
    current_ = &screens_.back();
    frameVirtualUs_ = virtualUs;
    startedUs_ = platform::stopwatchMicroseconds();
}

void BenchRecorder::frameEnd() {
    if (!enabled || !current_) return;
    const auto us = static_cast<uint32_t>(platform::stopwatchMicroseconds() - startedUs_);
    if (us >= current_->worstUs) current_->worstUs = us, current_->worstAtUs = frameVirtualUs_;
    current_->over4ms += us > 4000;
    current_->frameUs.push_back(us);
    current_ = nullptr;
}

void BenchRecorder::report(FILE* out) const {
    std::fprintf(out, "%-16s %7s %10s %10s %10s %10s %10s %8s\n", "screen", "frames", "median ms",
                 "worst ms", "began s", "music s", "worst at s", "> 4 ms");
    for (const Screen& s : screens_) {
        std::vector<uint32_t> t = s.frameUs;
        std::sort(t.begin(), t.end());
        const double median = t.empty() ? 0 : t[t.size() / 2] / 1000.0,
                     worst = t.empty() ? 0 : t.back() / 1000.0;
        std::fprintf(out, "%-16s %7zu %10.3f %10.3f %10.3f %10.3f %10.3f %8d\n", s.name.c_str(),
                     t.size(), median, worst, s.beganUs / 1e6, s.beganMusic / 176400.0,
                     s.worstAtUs / 1e6, s.over4ms);
    }
    std::fprintf(out, "loading all parts took %.1f ms\n", loadUs_ / 1000.0);
    uint64_t framesUs = 0;
    for (const Screen& s : screens_)
        for (const uint32_t us : s.frameUs)
            framesUs += us;
    const double runS = (platform::stopwatchMicroseconds() - runStartedUs_) / 1e6,
                 virtualS = frameVirtualUs_ / 1e6;
    std::fprintf(out,
                 "the run took %.2f s, its frames %.2f s, for %.1f s of virtual time: %.0fx real "
                 "time\n",
                 runS, framesUs / 1e6, virtualS, runS > 0 ? virtualS / runS : 0.0);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(out, "peak memory %.1f MiB\n", usage.ru_maxrss / 1024.0);
}

} // namespace app
