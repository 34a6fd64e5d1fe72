#include "app/shell.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "app/screens.h"
#include "display/convert.h"
#include "draw2d/bitmap_font.h"
#include "picture/png_writer.h"
#include "platform/audio_stream.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/random.h"

namespace app {

using platform::Message;
using platform::MessageKind;

namespace {

constexpr const char* kSoundtrack = "../vantrel.mp3";

void storeMouse(App& app) {
    const platform::Point p =
        platform::pictureMousePosition(app.host->cursorPos(), app.host->windowRect());
    app.mouse.x = p.x;
    app.mouse.y = p.y;
}

bool musicStarted(const App& app, uint64_t& startUs) {
    return app.context.stream && app.context.stream->startedAt(startUs);
}

double musicSeconds(App& app) {
    return app.context.stream ? static_cast<double>(app.context.stream->position()) /
                                    (platform::kAudioRate * platform::kAudioFrameBytes)
                              : 0;
}

// The soundtrack again, at the position it has reached: through the device, or silent and
// following the clock.
void reopenStream(App& app, bool withDevice) {
    std::unique_ptr<platform::AudioStream>& old = app.context.stream;
    if (!old) return;
    uint64_t startUs = 0;
    const bool started = old->startedAt(startUs);
    const uint64_t position = old->position();
    std::string error;
    std::unique_ptr<platform::AudioStream> stream =
        platform::openMp3Stream(kSoundtrack, withDevice, error);
    if (!stream) {
        std::fprintf(stderr, "demo: %s\n", error.c_str());
        return;
    }
    if (started) stream->playFrom(position, startUs);
    old = std::move(stream);
}

// Where F11 writes: --shots, or the folder above data.
std::string shotPath(const App& app) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir =
        app.options.shotsDir.empty() ? fs::path("..") : fs::path(app.options.shotsDir);
    fs::create_directories(dir, ec);
    for (int i = 1; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "shot%04d.png", i);
        if (!fs::exists(dir / name, ec)) return (dir / name).string();
    }
    return {};
}

} // namespace

bool seekReached(App& app, const StartAt& target) {
    if (app.flags.launcherOpen || app.context.loadingPhase != 0) return false;
    if (target.part > 0) return app.context.partNumber >= target.part;
    uint64_t startUs = 0;
    if (!musicStarted(app, startUs)) return false;
    const uint64_t bytes =
        static_cast<uint64_t>(target.seconds * platform::kAudioRate) * platform::kAudioFrameBytes;
    return app.context.stream->position() >= bytes;
}

void beginSeek(App& app, const StartAt& target) {
    app.seeking = true;
    app.seekTarget = target;
    app.paused = false;
    platform::Clock& c = platform::clock();
    if (!c.isVirtual()) {
        platform::setClock(c.continuedInVirtualTime(app.options.fps));
        reopenStream(app, false);
    }
}

void endSeek(App& app) {
    app.seeking = false;
    if (app.options.virtualTime() || !platform::clock().isVirtual()) return;
    platform::setClock(platform::clock().continuedInRealTime());
    reopenStream(app, !app.options.noSound);
}

std::string takeScreenshot(App& app) {
    const display::Display& d = app.display;
    const uint8_t* surface = app.host->surfacePixels();
    if (!surface || d.width != kScreenWidth || d.height != kScreenHeight) return {};
    const int w = kScreenWidth, h = partHeight(kScreenHeight);
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    if (d.depth == 32) {
        // The picture was drawn into the surface itself.
        const size_t top = static_cast<size_t>((kScreenHeight - h) / 2) * w * 4;
        surfaceToRgb(surface + top, 32, w * h, rgb.data());
    } else {
        const uint32_t* p = app.framebufferOwnPixels;
        if (!p) return {};
        for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i)
            rgb[3 * i] = static_cast<uint8_t>(p[i] >> 16),
                    rgb[3 * i + 1] = static_cast<uint8_t>(p[i] >> 8),
                    rgb[3 * i + 2] = static_cast<uint8_t>(p[i]);
    }
    const std::string path = shotPath(app);
    if (path.empty() || !picture::writePng(path, rgb.data(), w, h)) {
        std::fprintf(stderr, "demo: cannot write a screenshot%s%s\n", path.empty() ? "" : " to ",
                     path.c_str());
        return {};
    }
    std::fprintf(stderr, "demo: screenshot %s\n", path.c_str());
    return path;
}

namespace {

// Space, F9, F10 and Tab with --dev, in real time once the launcher is closed: keys the
// production does not watch. True when the key was one of them.
bool developerKey(App& app, uint32_t key) {
    if (!app.options.developer || app.options.virtualTime() || app.flags.launcherOpen) return false;
    uint64_t startUs = 0;
    switch (key) {
    case platform::vk::Tab:
        app.overlay = !app.overlay;
        return true;
    case platform::vk::Space:
        if (app.seeking) return true;
        app.paused = !app.paused;
        if (app.paused) {
            platform::setClock(platform::clock().continuedInVirtualTime(app.options.fps));
            reopenStream(app, false);
        } else {
            platform::setClock(platform::clock().continuedInRealTime());
            reopenStream(app, !app.options.noSound);
        }
        return true;
    case platform::vk::F10:
        if (!app.seeking && musicStarted(app, startUs)) {
            if (app.paused) {
                app.paused = false;
                platform::setClock(platform::clock().continuedInRealTime());
            }
            beginSeek(app, StartAt{musicSeconds(app) + 1.0, 0});
        }
        return true;
    case platform::vk::F9:
        // Every part's state depends on the frames before: going back replays from the start.
        if (!app.seeking && musicStarted(app, startUs))
            app.replayToSeconds = std::max(0.0, musicSeconds(app) - 1.0);
        return true;
    default:
        return false;
    }
}

// Time, part, and the sync cursors and values, in the band above the picture.
void drawOverlay(App& app, uint8_t* surface) {
    const display::Display& d = app.display;
    const int bpp = display::bytesPerPixel(d.depth);
    if (!bpp || d.height != kScreenHeight || app.launcher.font.glyphCount == 0) return;
    picture::Image32& band = app.overlayImage;
    if (!band.pixels) band.create(kScreenWidth, 48);
    std::fill(band.pixels, band.pixels + band.pixelCount(), 0u);
    char line[160];
    uint64_t startUs = 0;
    const bool started = musicStarted(app, startUs);
    std::snprintf(line, sizeof line, "%s  music %.2f s  part %d  %d fps",
                  app.paused ? "paused" : "playing", started ? musicSeconds(app) : 0.0,
                  app.context.partNumber, app.frameClock.framesPerSecond);
    draw2d::drawText(app.launcher.font, band, line, 4, 2, false);
    std::string cursors = "cursors", values = "values";
    for (int c = 0; c < sound::kSyncChannels; ++c) {
        const int32_t cursor =
            app.context.syncTable ? app.context.syncTable->entries[0].cursors[c] : -1;
        char item[24];
        std::snprintf(item, sizeof item, "  %d", cursor);
        cursors += item;
        std::snprintf(item, sizeof item, "  %.2f", app.context.envelopes.values[c]);
        values += item;
    }
    draw2d::drawText(app.launcher.font, band, cursors, 4, 17, false);
    draw2d::drawText(app.launcher.font, band, values, 4, 32, false);
    display::convertToDepth(d.depth, surface, band.pixels, band.pixelCount());
}

} // namespace

void handleMessage(App& app, const Message& m) {
    platform::Host& host = *app.host;
    switch (m.kind) {
    case MessageKind::Create:
    case MessageKind::Quit:
        break;
    case MessageKind::Destroy:
        app.display.release();
        host.postQuitMessage(0);
        break;
    case MessageKind::Close:
        host.destroyWindow();
        break;
    case MessageKind::Size:
        app.flags.windowActive =
            !(m.wParam == platform::kSizeMinimized || m.wParam == platform::kSizeMaxHide);
        break;
    case MessageKind::Activate:
        app.flags.windowActive = (m.wParam >> 16) == 0;
        break;
    case MessageKind::SetFocus:
        host.showWindow();
        app.flags.focusRegained = true;
        if (app.flags.launcherLoaded) {
            host.captureDesktop(app.desktopImage.pixels, kWindowX, kWindowY, kScreenWidth,
                                kScreenHeight);
            launcher::refreshBackground(app.launcher, app.desktopImage);
        }
        break;
    case MessageKind::KillFocus:
        host.minimiseWindow();
        break;
    case MessageKind::KeyDown:
        if (m.wParam == platform::vk::Escape) {
            if (app.flags.infoTextOpen)
                app.flags.infoTextOpen = 0;
            else
                host.postMessage({MessageKind::Close, 0});
            break;
        }
        if (developerKey(app, m.wParam)) break;
        if (m.wParam == platform::vk::F12 && app.flags.launcherOpen == 0) app.display.toggle();
        if (m.wParam == platform::vk::F11 && !app.options.headless) takeScreenshot(app);
        app.debug.cells[0] = static_cast<int32_t>(m.wParam);
        if (const int slot = platform::keySlot(m.wParam); slot >= 0) app.input.slots[slot] = 1;
        break;
    case MessageKind::KeyUp:
        if (const int slot = platform::keySlot(m.wParam); slot >= 0) app.input.slots[slot] = 0;
        break;
    case MessageKind::MouseMove:
        storeMouse(app);
        break;
    case MessageKind::LButtonDown:
        if (app.mouse.leftDown == 0)
            app.mouse.leftPress = {app.mouse.x, app.mouse.y}, app.mouse.leftDown = 1;
        break;
    case MessageKind::LButtonUp:
        app.mouse.leftDown = 0, app.mouse.leftRelease = {app.mouse.x, app.mouse.y};
        break;
    case MessageKind::RButtonDown:
        if (app.mouse.rightDown == 0)
            app.mouse.rightPress = {app.mouse.x, app.mouse.y}, app.mouse.rightDown = 1;
        break;
    case MessageKind::RButtonUp:
        app.mouse.rightDown = 0, app.mouse.rightRelease = {app.mouse.x, app.mouse.y};
        break;
    }
}

void frameFunction(App& app) {
    display::Display& d = app.display;
    if (app.seeking) {
        const bool reached = seekReached(app, app.seekTarget);
        // A part that never begins (it is not there) ends the seek with the music.
        const bool over =
            app.context.stream && app.context.stream->position() >= app.context.stream->length();
        if (over && !reached)
            std::fprintf(stderr, "demo: the seek did not reach its point before the music ended\n");
        if (reached || over) endSeek(app);
    }
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
    app.framebuffer32.pixels =
        d.depth == 32 ? reinterpret_cast<uint32_t*>(destination) : app.framebufferOwnPixels;

    platform::tickFrameClock(app.frameClock, platform::tickCount());
    if (app.bench.enabled) {
        const std::string screen = app.flags.launcherOpen ? "launcher"
                                   : app.context.loadingPhase == 1
                                       ? "loading screen"
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
    } else if (app.context.loadingPhase == 1)
        drawLoadingScreen(app, surface);
    else
        runCurrentPart(app);

    const size_t count = static_cast<size_t>(app.framebuffer32.width) * app.framebuffer32.height;
    if (d.depth == 15 || d.depth == 16 || d.depth == 24)
        display::convertToDepth(d.depth, destination, app.framebuffer32.pixels, count);
    else if (d.depth != 32)
        app.host->messageBox("display box", "Color mode not supported");

    app.bench.frameEnd();
    if (app.overlay && !app.seeking) drawOverlay(app, surface);
    d.unlock();
    // A seek's frames are drawn, as every frame shapes the next, but not shown.
    if (!app.seeking) d.present();
    platform::clock().onPresent();
    if (app.seeking) return;
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
    const uint64_t duration = app.capture.writtenUs();
    std::vector<int16_t> pcm;
    uint64_t offset = duration, skip = 0; // silent throughout unless the music started
    if (app.context.stream && app.context.stream->startedAt(played)) {
        std::string error;
        if (platform::decodeMp3(kSoundtrack, pcm, error)) {
            // A capture that began after the music (a seek) hears it from where it was.
            offset = played > first ? played - first : 0;
            skip = played < first ? first - played : 0;
        }
    }
    const std::string path = app.capture.wavPath();
    if (!writeSoundtrackWav(path, pcm, offset, duration, skip))
        std::fprintf(stderr, "capture: cannot write %s\n", path.c_str());
}

// The capture's end, once: the last periods, the sound, the video.
void finishCapture(App& app, uint64_t endUs) {
    if (!app.capture.active() || app.captureFinished) return;
    app.captureFinished = true;
    app.capture.finish(endUs);
    writeCaptureSoundtrack(app);
    const bool made = app.capture.closeVideo();
    if (app.progressShownUs) std::fputc('\n', stderr);
    if (made && !app.options.videoFile.empty())
        std::fprintf(stderr, "capture: %s, %d pictures, %.2f s\n", app.options.videoFile.c_str(),
                     app.capture.written(), static_cast<double>(app.capture.writtenUs()) / 1e6);
}

// For captures longer than a few seconds: time captured, part, speed against real time.
void showProgress(App& app) {
    if (!app.capture.active() || app.captureFinished || !::isatty(2)) return;
    const uint64_t now = platform::stopwatchMicroseconds();
    if (!app.progressBeganUs) app.progressBeganUs = now;
    if (now - app.progressBeganUs < 3'000'000 || now - app.progressShownUs < 500'000) return;
    app.progressShownUs = now;
    const double captured = static_cast<double>(app.capture.writtenUs()) / 1e6;
    const double real = static_cast<double>(now - app.progressBeganUs) / 1e6;
    const std::string screen = app.flags.launcherOpen ? "launcher"
                               : app.context.loadingPhase
                                   ? "loading"
                                   : "part " + std::to_string(app.context.partNumber);
    std::fprintf(stderr, "\rcapture %7.1f s  %-8s  %.1fx real time ", captured, screen.c_str(),
                 captured / real);
}

// The test and capture options: when to stop.
void applyRunOptions(App& app) {
    const Options& o = app.options;
    const uint64_t us = platform::clock().microseconds();
    const bool framesDone = o.frames >= 0 && app.framesPresented >= o.frames;
    // A capture's time counts from its first picture, so that it holds that much.
    uint64_t origin = 0;
    if (app.capture.active() && !app.capture.firstPicture(origin)) origin = UINT64_MAX;
    const bool timeDone = o.seconds >= 0 && origin != UINT64_MAX &&
                          static_cast<double>(us - origin) >= o.seconds * 1e6;
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
    const bool signalled = app.capture.active() && platform::stopRequested();
    if ((framesDone || timeDone || signalled || app.capture.failed()) && !app.stopRequested) {
        app.stopRequested = true;
        // A run of N frames writes the period its last frame began; a capture of S seconds
        // holds S seconds of pictures.
        const uint64_t end =
            timeDone && !signalled ? origin + static_cast<uint64_t>(o.seconds * 1e6) : us + 1;
        finishCapture(app, end);
        app.host->postMessage({MessageKind::Close, 0});
    }
    showProgress(app);
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
            // Escape or a closed window: the capture keeps what it has, whole.
            finishCapture(app, platform::clock().microseconds() + 1);
            freeAllParts(app);
            app.host->destroyWindow();
            exitCode = static_cast<int>(m.wParam);
            return false;
        }
        handleMessage(app, m);
    } else if (app.flags.windowActive && !app.stopRequested && !app.paused) {
        frameFunction(app);
    } else if (app.paused) {
        platform::restMilliseconds(10);
    } else {
        // Nothing to do: let a moment pass instead of spinning (and let virtual time move).
        platform::waitUntilElapsed(platform::tickCount(), 1);
    }
    if (app.flags.fullScreenRequest == 1) {
        // --window keeps the window; a program already full screen stays so.
        if (!app.options.windowed && !app.display.fullScreen()) app.display.toggle();
        app.flags.fullScreenRequest = 2;
        if (!app.options.windowed) app.cursorHidesLeft = 10;
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
                       app.options.depth ? (app.options.depth == 15 ? 16 : app.options.depth)
                                         : kFullScreenDepth,
                       host.desktopDepth(), app.options.fullScreen);
    if (!host.windowExists()) return false;
    platform::seedRandom(app.options.seedGiven       ? app.options.seed
                         : app.options.virtualTime() ? 1u
                                                     : static_cast<uint32_t>(std::time(nullptr)));
    // Initialisation: the demo context, the loading screen, the launcher; each reports its
    // own failures. In virtual time the soundtrack plays silently, its position on the clock.
    // A seek's music starts unheard.
    const bool device =
        !app.options.virtualTime() && !app.options.noSound && !app.options.startAt.given();
    sound::initialiseDemoContext(app.context, {.withDevice = device});
    initLoadingScreen(app);
    launcher::LauncherIo io = launcherIoOf(app);
    launcher::initialiseLauncher(app.launcher, io);
    if (app.options.startAt.given()) beginSeek(app, app.options.startAt);
    // Ctrl+C or a kill ends a capture as its time limit would, whole.
    if (app.options.capturing()) platform::catchStopSignals();
    return true;
}

std::unique_ptr<App> replayFromStart(std::unique_ptr<App> old, void (*buildParts)(App&)) {
    Options options = old->options;
    options.startAt = {old->replayToSeconds, 0};
    options.fullScreen = old->display.fullScreen();
    platform::Host* host = old->host;
    const bool overlay = old->overlay;
    old.reset(); // the soundtrack's device closes before the next one opens
    auto app = std::make_unique<App>();
    app->options = options;
    app->host = host;
    app->desktopImage.create(kScreenWidth, kScreenHeight);
    host->captureDesktop(app->desktopImage.pixels, kWindowX, kWindowY, kScreenWidth, kScreenHeight);
    app->flags.windowActive = true; // the window is shown already
    app->overlay = overlay;
    buildParts(*app);
    startUp(*app);
    return app;
}

int runMainLoop(App& app) {
    int exitCode = 0;
    while (mainLoopPass(app, exitCode)) {
        if (app.replayToSeconds >= 0) return exitCode;
    }
    return exitCode;
}

} // namespace app
