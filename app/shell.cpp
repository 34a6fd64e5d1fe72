#include "app/shell.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "app/screens.h"
#include "display/convert.h"
#include "platform/audio_stream.h"
#include "platform/clock.h"
#include "platform/random.h"

namespace app {

using platform::Message;
using platform::MessageKind;

namespace {

void storeMouse(App& app) {
    const platform::Point p = platform::pictureMousePosition(app.host->cursorPos(), app.host->windowRect());
    app.mouse.x = p.x;
    app.mouse.y = p.y;
}

} // namespace

void handleMessage(App& app, const Message& m) {
    platform::Host& host = *app.host;
    switch (m.kind) {
    case MessageKind::Create:
    case MessageKind::Quit: break;
    case MessageKind::Destroy:
        app.display.release();
        host.postQuitMessage(0);
        break;
    case MessageKind::Close: host.destroyWindow(); break;
    case MessageKind::Size:
        app.flags.windowActive = !(m.wParam == platform::kSizeMinimized || m.wParam == platform::kSizeMaxHide);
        break;
    case MessageKind::Activate: app.flags.windowActive = (m.wParam >> 16) == 0; break;
    case MessageKind::SetFocus:
        host.showWindow();
        app.flags.focusRegained = true;
        if (app.flags.launcherLoaded) {
            host.captureDesktop(app.desktopImage.pixels, kWindowX, kWindowY, kScreenWidth, kScreenHeight);
            launcher::refreshBackground(app.launcher, app.desktopImage);
        }
        break;
    case MessageKind::KillFocus: host.minimiseWindow(); break;
    case MessageKind::KeyDown:
        if (m.wParam == platform::vk::Escape) {
            if (app.flags.infoTextOpen)
                app.flags.infoTextOpen = 0;
            else
                host.postMessage({MessageKind::Close, 0});
            break;
        }
        if (m.wParam == platform::vk::F12 && app.flags.launcherOpen == 0) app.display.toggle();
        app.debug.cells[0] = static_cast<int32_t>(m.wParam);
        if (const int slot = platform::keySlot(m.wParam); slot >= 0) app.input.slots[slot] = 1;
        break;
    case MessageKind::KeyUp:
        if (const int slot = platform::keySlot(m.wParam); slot >= 0) app.input.slots[slot] = 0;
        break;
    case MessageKind::MouseMove: storeMouse(app); break;
    case MessageKind::LButtonDown:
        if (app.mouse.leftDown == 0) app.mouse.leftPress = {app.mouse.x, app.mouse.y}, app.mouse.leftDown = 1;
        break;
    case MessageKind::LButtonUp:
        app.mouse.leftDown = 0, app.mouse.leftRelease = {app.mouse.x, app.mouse.y};
        break;
    case MessageKind::RButtonDown:
        if (app.mouse.rightDown == 0) app.mouse.rightPress = {app.mouse.x, app.mouse.y}, app.mouse.rightDown = 1;
        break;
    case MessageKind::RButtonUp:
        app.mouse.rightDown = 0, app.mouse.rightRelease = {app.mouse.x, app.mouse.y};
        break;
    }
}

void frameFunction(App& app) {
    display::Display& d = app.display;
    uint8_t* surface = d.lock();
    if (!surface) {
        d.restore();
        return;
    }
    if (app.flags.launcherOpen && app.flags.focusRegained) {
        display::convertToDepth(d.depth, surface, app.desktopImage.pixels,
                                static_cast<size_t>(kScreenWidth) * kScreenHeight);
        app.flags.focusRegained = false;
    }
    uint8_t* destination = surface;
    if (d.height == 384 && display::bytesPerPixel(d.depth) != 0)
        destination += static_cast<size_t>(64) * 512 * display::bytesPerPixel(d.depth);
    // At 32 bits the frame is drawn straight into the surface, saving a copy.
    app.framebuffer32.pixels = d.depth == 32 ? reinterpret_cast<uint32_t*>(destination) : app.framebufferOwnPixels;

    platform::tickFrameClock(app.frameClock, platform::tickCount());
    if (app.bench.enabled) {
        const std::string screen = app.flags.launcherOpen           ? "launcher"
                                   : app.context.loadingPhase == 1 ? "loading screen"
                                                                   : "part " + std::to_string(app.context.partNumber);
        app.bench.frameBegin(screen, platform::clock().microseconds(),
                             app.context.stream ? app.context.stream->position() : 0);
    }

    if (app.flags.launcherOpen) {
        launcher::LauncherIo io = launcherIoOf(app);
        launcher::launcherFrame(app.launcher, io);
        // --autostart presses the start button from within a launcher frame, as a click
        // would, so the switch to full screen comes before the loading screen's frame.
        const int64_t at = app.options.autostartMs;
        if (at >= 0 && platform::clock().microseconds() >= static_cast<uint64_t>(at) * 1000) {
            app.flags.launcherOpen = 0;
            app.flags.fullScreenRequest = 1;
        }
    }
    else if (app.context.loadingPhase == 1)
        drawLoadingScreen(app, surface);
    else
        runCurrentPart(app);

    const size_t count = static_cast<size_t>(app.framebuffer32.width) * app.framebuffer32.height;
    if (d.depth == 15 || d.depth == 16 || d.depth == 24)
        display::convertToDepth(d.depth, destination, app.framebuffer32.pixels, count);
    else if (d.depth != 32)
        app.host->messageBox("display box", "Color mode not supported");

    app.bench.frameEnd();
    d.unlock();
    d.present();
    platform::clock().onPresent();
    ++app.framesPresented;
    if (app.capture.active() && app.host->surfacePixels())
        app.capture.onPresent(platform::clock().microseconds(), app.host->surfacePixels(), d.depth);
}

namespace {

// The soundtrack as heard during the capture, beside its pictures, so that a video of them
// has its sound in step.
void writeCaptureSoundtrack(App& app) {
    uint64_t first = 0, played = 0;
    if (!app.capture.active() || !app.capture.firstPicture(first)) return;
    // As long as the pictures last.
    const uint64_t duration = static_cast<uint64_t>(app.capture.written()) * 1'000'000 / static_cast<uint64_t>(app.options.fps);
    std::vector<int16_t> pcm;
    uint64_t offset = duration; // silent throughout unless the music started
    if (app.context.stream && app.context.stream->startedAt(played)) {
        std::string error;
        if (platform::decodeMp3("../vantrel.mp3", pcm, error)) offset = played > first ? played - first : 0;
    }
    const std::string path = app.capture.folder() + "/soundtrack.wav";
    if (!writeSoundtrackWav(path, pcm, offset, duration)) std::fprintf(stderr, "capture: cannot write %s\n", path.c_str());
}

// The test and capture options: when to stop.
void applyRunOptions(App& app) {
    const Options& o = app.options;
    const uint64_t us = platform::clock().microseconds();
    const bool framesDone = o.frames >= 0 && app.framesPresented >= o.frames;
    const bool timeDone = o.seconds >= 0 && static_cast<double>(us) >= o.seconds * 1e6;
    // A bench ends with the music; or, when nothing starts the music within ten seconds
    // of the launcher closing, then.
    if (o.bench && !app.stopRequested && !app.flags.launcherOpen && app.context.stream) {
        uint64_t played = 0;
        const bool started = app.context.stream->startedAt(played);
        if (!app.benchLauncherClosedUs) app.benchLauncherClosedUs = us;
        const bool over = started ? app.context.stream->position() >= app.context.stream->length()
                                  : us - app.benchLauncherClosedUs > 10'000'000;
        if (over) {
            app.stopRequested = true;
            app.host->postMessage({MessageKind::Close, 0});
        }
    }
    if ((framesDone || timeDone) && !app.stopRequested) {
        app.stopRequested = true;
        // A run of N frames writes the period its last frame began; a run of S seconds ends
        // its capture at S.
        const uint64_t end = timeDone ? static_cast<uint64_t>(o.seconds * 1e6) : us + 1;
        app.capture.finish(end);
        writeCaptureSoundtrack(app);
        app.host->postMessage({MessageKind::Close, 0});
    }
}

} // namespace

// The music started and the virtual clock moved on to the chosen second, then that part.
static void jumpToPart(App& app) {
    sound::startMusic(app.context);
    platform::waitUntilElapsed(platform::tickCount(), app.options.jumpSeconds * 1000.0);
    app.context.partNumber = app.options.jumpPart;
    // The frame rate is measured afresh: the jumped time holds no frames.
    app.frameClock.framesPerSecond = 30, app.frameClock.frameCounter = 0;
    app.frameClock.lastUpdateTick = platform::tickCount();
}

bool mainLoopPass(App& app, int& exitCode) {
    applyRunOptions(app);
    if (app.context.loadingPhase == 2) {
        const uint64_t started = platform::stopwatchMicroseconds();
        loadAllParts(app, kScreenWidth, partHeight(kScreenHeight));
        app.bench.loadedAll(platform::stopwatchMicroseconds() - started);
        app.context.loadingPhase = 0;
        if (app.options.jumpPart) jumpToPart(app);
    }
    Message m;
    const bool got = app.host->peekMessage(m);
    if (got) {
        if (m.kind == MessageKind::Quit) {
            freeAllParts(app);
            app.host->destroyWindow();
            exitCode = static_cast<int>(m.wParam);
            return false;
        }
        handleMessage(app, m);
    } else if (app.flags.windowActive && !app.stopRequested) {
        frameFunction(app);
    } else {
        // Nothing to do: let a moment pass instead of spinning (and let virtual time move).
        platform::waitUntilElapsed(platform::tickCount(), 1);
    }
    if (app.flags.fullScreenRequest == 1) {
        app.display.toggle();
        app.flags.fullScreenRequest = 2;
        app.cursorHidesLeft = 10;
    }
    if (app.cursorHidesLeft > 0) {
        app.host->showCursor(false);
        --app.cursorHidesLeft;
    }
    return true;
}

bool startUp(App& app) {
    platform::Host& host = *app.host;
    app.display.create(host, kScreenWidth, kScreenHeight,
                       app.options.depth ? (app.options.depth == 15 ? 16 : app.options.depth) : kFullScreenDepth,
                       host.desktopDepth(), app.options.fullScreen);
    if (!host.windowExists()) return false;
    platform::seedRandom(app.options.seedGiven ? app.options.seed
                         : app.options.virtualTime() ? 1u
                                                     : static_cast<uint32_t>(std::time(nullptr)));
    // Initialisation: the demo context, the loading screen, the launcher; each reports its
    // own failures. In virtual time the soundtrack plays silently, its position on the clock.
    sound::initialiseDemoContext(app.context, {.withDevice = !app.options.virtualTime()});
    initLoadingScreen(app);
    launcher::LauncherIo io = launcherIoOf(app);
    launcher::initialiseLauncher(app.launcher, io);
    return true;
}

int runMainLoop(App& app) {
    int exitCode = 0;
    while (mainLoopPass(app, exitCode)) {
    }
    return exitCode;
}

} // namespace app
