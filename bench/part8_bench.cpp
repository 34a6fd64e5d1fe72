// part 8's frame without its 28 ms wait, before the closing image and with it, the streams
// full, on the generated production's data.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "parts/part8.h"
#include "platform/clock.h"

namespace {

struct Closing {
    parts::OwnedStage owned;
    parts::Stage* stage = &owned.stage;
    parts::Part1 city;
    parts::Part8 part{city};
    bool ready = false;
    Closing() {
        std::filesystem::current_path(PRODUCTION_DIR "/data");
        // The 8-bit flare comes with another part's data.
        if (!std::filesystem::exists("image/flare.tga")) return;
        platform::setClock(platform::Clock::virtualClock(30));
        owned.framebuffer.create(512, 256);
        city.state().flare.load("image/flare32.jpg");
        part.load(*stage, 512, 256);
        ready = true;
    }
};

Closing& closing() {
    static Closing c;
    return c;
}

void BM_Part8Frame(benchmark::State& state) {
    Closing& c = closing();
    if (!c.ready) {
        state.SkipWithError("no image/flare.tga in the production");
        return;
    }
    const int cursor = static_cast<int>(state.range(0));
    c.part.state().sync[1] = 120;
    // Long enough for the streams' pools to fill and the fade to end.
    for (int i = 0; i < 600; ++i) {
        c.part.drawFrame(c.owned.framebuffer, cursor == 0 ? 0 : i < 100 ? 1 : -1);
        platform::waitUntilElapsed(platform::tickCount(), 28);
    }
    uint64_t worst = 0;
    for (auto _ : state) {
        const uint64_t started = platform::stopwatchMicroseconds();
        c.part.drawFrame(c.owned.framebuffer, cursor);
        worst = std::max(worst, platform::stopwatchMicroseconds() - started);
        platform::waitUntilElapsed(platform::tickCount(), 28);
    }
    state.counters["worst_us"] = static_cast<double>(worst);
}
// 0: before the first event (scene over black); -1: the closing image, the streams full.
BENCHMARK(BM_Part8Frame)->ArgName("cursor")->Arg(0)->Arg(-1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
