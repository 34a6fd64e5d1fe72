#include "app/entry.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/shell.h"
#include "parts/part.h"
#include "platform/clock.h"
#include "platform/message_box.h"

namespace app {

namespace {

// The data folder lies beside the executable, wherever it is started from.
void enterDataFolder(const char* argv0, const std::string& dataDir) {
    if (!dataDir.empty()) {
        if (::chdir(dataDir.c_str()) != 0) {
            // As below: the first load reports what is missing.
        }
        return;
    }
    std::string exe(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size() - 1);
    exe = n > 0 ? exe.substr(0, static_cast<size_t>(n)) : std::string(argv0 ? argv0 : "");
    const auto slash = exe.rfind('/');
    if (slash != std::string::npos && ::chdir(exe.substr(0, slash).c_str()) != 0) {
        // Stay where we are: the first resource load then reports what is missing.
    }
    if (::chdir("data") != 0) {
        // Not detected here, as in the production: the first load fails with its own message.
    }
}

void buildParts(App& app) {
    app.parts = parts::buildParts();
}

} // namespace

int runEntry(int argc, const char* const* argv) {
    auto app = std::make_unique<App>();
    std::string error;
    if (!parseOptions(argc, argv, app->options, error)) {
        std::fprintf(stderr, "demo: %s (try --help)\n", error.c_str());
        return 2;
    }
    const Options& o = app->options;
    if (o.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (o.timeline) {
        std::printf("%-5s %-32s %-55s %s\n", "part", "sync file", "ends when", "least frame time");
        const auto built = parts::buildParts();
        for (size_t i = 0; i < built.size(); ++i) {
            if (!built[i]) {
                std::printf("%-5zu %s\n", i + 1, "(not built)");
                continue;
            }
            const parts::HandOver h = built[i]->handOver();
            std::printf("%-5d %-32s %-55s %s\n", h.part, h.syncFile, h.endsWhen, h.frameTime);
        }
        return 0;
    }
    app->bench.enabled = o.bench;
    if (o.bench) app->bench.runBegins();
    if (o.virtualTime()) platform::setClock(platform::Clock::virtualClock(o.fps));
    makePathsAbsolute(app->options); // before the move into the data folder

    std::unique_ptr<platform::Host> host;
    if (o.headless) {
        platform::HeadlessOptions ho;
        if (o.depth) ho.desktopDepth = o.depth == 15 ? 16 : o.depth;
        if (o.depth == 15) ho.greenMask16 = 0x03E0;
        host = platform::makeHeadlessHost(ho);
    } else {
        platform::SdlOptions so = sdlOptionsOf(o);
        host = platform::makeSdlHost(so);
        if (!host) {
            std::fprintf(stderr, "demo: no display to open a window on (try --headless)\n");
            return 1;
        }
    }
    app->host = host.get();
    platform::setMessageBoxHost(host.get());
    enterDataFolder(argc > 0 ? argv[0] : nullptr, o.dataDir);

    app->desktopImage.create(kScreenWidth, kScreenHeight);
    host->captureDesktop(app->desktopImage.pixels, kWindowX, kWindowY, kScreenWidth, kScreenHeight);
    if (!host->createWindow(kWindowX, kWindowY, kScreenWidth, kScreenHeight)) return 1;
    const uint64_t captureEnd =
        o.seconds >= 0 ? static_cast<uint64_t>(o.seconds * 1e6) : UINT64_MAX;
    if (o.capturing() &&
        !app->capture.open({o.captureDir, o.videoFile, o.fps, o.captureScale, captureEnd},
                           kScreenWidth, kScreenHeight))
        return 1;
    // A display failure has destroyed the window already; the loop then ends on the quit
    // message that follows.
    buildParts(*app);
    startUp(*app);
    int code = runMainLoop(*app);
    while (app->replayToSeconds >= 0) {
        app = replayFromStart(std::move(app), buildParts);
        code = runMainLoop(*app);
    }
    if (o.bench) app->bench.report(stdout);
    platform::setMessageBoxHost(nullptr);
    app.reset(); // the soundtrack's device closes before the host shuts SDL down
    return code;
}

} // namespace app
