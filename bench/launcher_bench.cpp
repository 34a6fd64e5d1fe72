// A launcher frame without its 30 ms wait, with the viewer closed and open, on the generated
// production's data (run from anywhere: the data folder is found beside the program).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "launcher/launcher.h"

namespace {

struct Dialog {
    std::unique_ptr<launcher::Launcher> l = std::make_unique<launcher::Launcher>();
    picture::Image32 framebuffer, desktop;
    platform::MouseState mouse;
    platform::DebugScratch debug;
    picture::ResourceLists resources;
    int open = 1, request = 0, info = 0, loaded = 0;
    launcher::LauncherIo io;
    Dialog() {
        std::filesystem::current_path(PRODUCTION_DIR "/data");
        framebuffer.create(512, 256);
        desktop.create(512, 384);
        for (size_t i = 0; i < desktop.pixelCount(); ++i)
            desktop.pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
        io = {&framebuffer, &desktop, &mouse, &debug, &resources, &open, &request, &info, &loaded};
        launcher::initialiseLauncher(*l, io);
    }
};

Dialog& dialog() {
    static Dialog d;
    return d;
}

void BM_LauncherFrame(benchmark::State& state) {
    Dialog& d = dialog();
    d.info = static_cast<int>(state.range(0));
    for (int i = 0; i < 60; ++i)
        launcher::updateLauncher(*d.l, d.io); // fully open or closed
    for (auto _ : state)
        launcher::updateLauncher(*d.l, d.io);
}
BENCHMARK(BM_LauncherFrame)->ArgName("viewer")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
