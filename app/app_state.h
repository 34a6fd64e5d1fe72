#pragma once
// Everything the application shell keeps between messages and frames, in one object so that
// a test can build a fresh one.
#include <array>
#include <cstdint>
#include <memory>

#include "app/bench.h"
#include "app/capture.h"
#include "app/options.h"
#include "display/display.h"
#include "launcher/launcher.h"
#include "parts/part.h"
#include "picture/image32.h"
#include "picture/resource_lists.h"
#include "platform/host.h"
#include "platform/input_state.h"
#include "sound/demo_context.h"

namespace app {

constexpr int kScreenWidth = 512;
constexpr int kScreenHeight = 384;
constexpr int kFullScreenDepth = 32;
constexpr int kWindowX = 200, kWindowY = 200;

// 256 for a 384-row screen: a letterboxed picture with 64 empty rows above and below.
constexpr int partHeight(int screenHeight) {
    return screenHeight == 384 ? 256 : screenHeight;
}

struct AppFlags {
    bool windowActive = false;
    bool focusRegained = false;
    int launcherOpen = 1;
    int infoTextOpen = 0;
    int launcherLoaded = 0;
    int fullScreenRequest = 0; // 0 none, 1 requested by the start button, 2 done
};

struct App {
    platform::Host* host = nullptr;
    Options options;
    display::Display display;
    sound::DemoContext context;
    picture::ResourceLists resources;
    parts::LoadingPictures loading;
    // Parts 1 to 8 at index 0 to 7; a part not built is absent and runs nothing.
    std::array<std::unique_ptr<parts::DemoPart>, 8> parts;
    AppFlags flags;
    platform::FrameClock frameClock;
    platform::InputState input;
    platform::MouseState mouse;
    platform::DebugScratch debug;
    picture::Image32 desktopImage;  // 512 x 384, the desktop behind the window
    picture::Image32 framebuffer32; // 512 x 256, every screen draws here
    uint32_t* framebufferOwnPixels = nullptr;
    int cursorHidesLeft = 0;
    int64_t framesPresented = 0;
    bool stopRequested = false;
    launcher::Launcher launcher;
    CaptureWriter capture;
    bool captureFinished = false;
    uint64_t progressShownUs = 0, progressBeganUs = 0; // real microseconds
    BenchRecorder bench;
    uint64_t benchLauncherClosedUs = 0;
    // A seek: frames run in virtual time, unseen and unheard, until the target is reached.
    bool seeking = false;
    StartAt seekTarget;
    // Developer keys: paused, the overlay shown, and a replay from the start asked for (the
    // music time to replay to, or -1).
    bool paused = false;
    bool overlay = false;
    picture::Image32 overlayImage;
    double replayToSeconds = -1;
};

// What the launcher is lent of the shell's state.
inline launcher::LauncherIo launcherIoOf(App& app) {
    return {&app.framebuffer32,
            &app.desktopImage,
            &app.mouse,
            &app.debug,
            &app.resources,
            &app.flags.launcherOpen,
            &app.flags.fullScreenRequest,
            &app.flags.infoTextOpen,
            &app.flags.launcherLoaded};
}

// What the parts are lent of the shell's state.
inline parts::Stage stageOf(App& app) {
    return {app.framebuffer32, app.context, app.resources, app.frameClock,
            app.input,         app.debug,   app.loading};
}

} // namespace app
