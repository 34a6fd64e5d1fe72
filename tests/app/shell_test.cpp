#include <gtest/gtest.h>

#include <filesystem>

#include "app/screens.h"
#include "app/shell.h"
#include "platform/clock.h"
#include "platform/headless_host.h"
#include "tests/png_read.h"
#include "tests/temp_dir.h"
#include "tests/test_production.h"

using platform::Message;
using platform::MessageKind;
namespace vk = platform::vk;

namespace {

// A started application on a headless host with a virtual clock.
struct Harness {
    explicit Harness(int depth = 32) : production("shell"), host({depth, 0x07E0}) {
        std::filesystem::current_path(production.data());
        platform::setClock(platform::Clock::virtualClock(30));
        app.options.headless = true;
        app.host = &host;
        app.desktopImage.create(512, 384);
        host.captureDesktop(app.desktopImage.pixels, 200, 200, 512, 384);
        host.createWindow(200, 200, 512, 384);
        EXPECT_TRUE(app::startUp(app));
    }
    bool pass() { return app::mainLoopPass(app, exitCode); }
    // Runs passes until the program quits or n passes have run; true if it quit.
    bool runUntilQuit(int n) {
        for (int i = 0; i < n; ++i)
            if (!pass()) return true;
        return false;
    }
    void send(MessageKind k, uint32_t w = 0) { app::handleMessage(app, Message{k, w}); }

    ~Harness() { std::filesystem::current_path(std::filesystem::temp_directory_path()); }

    testing_files::TestProduction production;
    platform::HeadlessHost host;
    app::App app;
    int exitCode = -99;
};

} // namespace

TEST(Shell, ShowingTheWindowStartsFramesAndTheFirstFrameSetsOneFramePerSecond) {
    Harness h;
    EXPECT_EQ(h.app.frameClock.framesPerSecond, 30);
    for (int i = 0; i < 4; ++i)
        h.pass(); // Create, Size, Activate, SetFocus
    EXPECT_TRUE(h.app.flags.windowActive);
    EXPECT_TRUE(h.app.flags.focusRegained);
    EXPECT_EQ(h.app.framesPresented, 0);
    h.pass();
    EXPECT_EQ(h.app.framesPresented, 1);
    EXPECT_EQ(h.app.frameClock.framesPerSecond, 1);
    EXPECT_FALSE(h.app.flags.focusRegained); // the launcher's frame took the desktop copy
    // About a second of 30 ms frames later the count is the frames of that second.
    for (int i = 0; i < 40; ++i)
        h.pass();
    EXPECT_GE(h.app.frameClock.framesPerSecond, 30);
    EXPECT_LE(h.app.frameClock.framesPerSecond, 34);
}

TEST(Shell, MinimisedWindowsProduceNoFramesAndResumeWhenRestored) {
    Harness h;
    h.runUntilQuit(10);
    const int64_t before = h.app.framesPresented;
    ASSERT_GT(before, 0);
    h.host.inject({MessageKind::Size, platform::kSizeMinimized});
    h.runUntilQuit(20);
    EXPECT_FALSE(h.app.flags.windowActive);
    EXPECT_EQ(h.app.framesPresented, before);
    h.host.inject({MessageKind::Size, platform::kSizeRestored});
    h.runUntilQuit(5);
    EXPECT_GT(h.app.framesPresented, before);
    // Focus loss minimises the window, which then reports itself minimised.
    h.host.inject({MessageKind::KillFocus, 0});
    h.runUntilQuit(3);
    EXPECT_FALSE(h.app.flags.windowActive);
}

TEST(Shell, ActivateFollowsTheMinimisedWord) {
    Harness h;
    h.send(MessageKind::Activate, 0x10000);
    EXPECT_FALSE(h.app.flags.windowActive);
    h.send(MessageKind::Activate, 2);
    EXPECT_TRUE(h.app.flags.windowActive);
    h.send(MessageKind::Size, platform::kSizeMaxHide);
    EXPECT_FALSE(h.app.flags.windowActive);
}

TEST(Shell, EscapeClosesTheInformationTextFirstThenQuits) {
    Harness h;
    h.app.flags.infoTextOpen = 1;
    h.host.inject({MessageKind::KeyDown, vk::Escape});
    EXPECT_FALSE(h.runUntilQuit(30));
    EXPECT_EQ(h.app.flags.infoTextOpen, 0);
    EXPECT_NE(h.app.debug.cells[0], static_cast<int32_t>(vk::Escape)); // Escape is not stored
    EXPECT_EQ(h.app.debug.cells[0],
              h.app.mouse.x + 20); // the launcher frame writes the mouse there
    h.host.inject({MessageKind::KeyDown, vk::Escape});
    EXPECT_TRUE(h.runUntilQuit(30));
    EXPECT_EQ(h.exitCode, 0);
    EXPECT_FALSE(h.app.display.held()); // the window's destruction released the display
}

TEST(Shell, KeysFillTheirSlotsAndTheDebugCell) {
    Harness h;
    h.send(MessageKind::KeyDown, 'I');
    EXPECT_EQ(h.app.input.slots[45], 1);
    EXPECT_EQ(h.app.debug.cells[0], 'I');
    h.send(MessageKind::KeyUp, 'I');
    EXPECT_EQ(h.app.input.slots[45], 0);
    h.send(MessageKind::KeyDown, 'E'); // not watched: only the debug cell
    EXPECT_EQ(h.app.debug.cells[0], 'E');
    for (int s : h.app.input.slots)
        EXPECT_EQ(s, 0);
}

TEST(Shell, F12TogglesOnlyOnceTheLauncherIsClosed) {
    Harness h;
    h.send(MessageKind::KeyDown, vk::F12);
    EXPECT_FALSE(h.app.display.fullScreen());
    EXPECT_EQ(h.app.debug.cells[0], 123);
    h.app.flags.launcherOpen = 0;
    h.send(MessageKind::KeyDown, vk::F12);
    EXPECT_TRUE(h.app.display.fullScreen());
    h.send(MessageKind::KeyDown, vk::F12);
    EXPECT_FALSE(h.app.display.fullScreen());
}

TEST(Shell, MousePositionComesFromTheCursorAndTheWindowRectangle) {
    Harness h;
    h.host.setCursor(250, 230); // 30 rows into the window: above the picture
    h.send(MessageKind::MouseMove);
    EXPECT_EQ(h.app.mouse.x, 50);
    EXPECT_EQ(h.app.mouse.y, -34);
    h.host.setCursor(200, 200);
    h.send(MessageKind::MouseMove);
    EXPECT_EQ(h.app.mouse.y, -64);
    h.host.setCursor(711, 583);
    h.send(MessageKind::MouseMove);
    EXPECT_EQ(h.app.mouse.x, 511);
    EXPECT_EQ(h.app.mouse.y, 319);
}

TEST(Shell, ButtonLatchesKeepTheFirstPress) {
    Harness h;
    h.host.setCursor(210, 300);
    h.send(MessageKind::MouseMove);
    h.send(MessageKind::LButtonDown);
    h.host.setCursor(220, 310);
    h.send(MessageKind::MouseMove);
    h.send(MessageKind::LButtonDown); // still down: the press stays where it was
    EXPECT_EQ(h.app.mouse.leftDown, 1);
    EXPECT_EQ(h.app.mouse.leftPress.x, 10);
    EXPECT_EQ(h.app.mouse.leftPress.y, 36);
    h.send(MessageKind::LButtonUp);
    EXPECT_EQ(h.app.mouse.leftDown, 0);
    EXPECT_EQ(h.app.mouse.leftRelease.x, 20);
    EXPECT_EQ(h.app.mouse.leftRelease.y, 46);
    h.send(MessageKind::RButtonDown);
    EXPECT_EQ(h.app.mouse.rightDown, 1);
    EXPECT_EQ(h.app.mouse.rightPress.x, 20);
    h.send(MessageKind::RButtonUp);
    EXPECT_EQ(h.app.mouse.rightDown, 0);
    EXPECT_EQ(h.app.mouse.leftDown, 0);
}

TEST(Shell, AFailedLockSkipsTheWholeFrame) {
    Harness h;
    h.runUntilQuit(6);
    const int64_t frames = h.app.framesPresented;
    const uint32_t tick = h.app.frameClock.frameTickCount;
    h.host.loseSurface();
    app::frameFunction(h.app);
    EXPECT_EQ(h.app.framesPresented, frames);
    EXPECT_EQ(h.app.frameClock.frameTickCount, tick);
    app::frameFunction(h.app); // restored by the failed frame
    EXPECT_EQ(h.app.framesPresented, frames + 1);
}

TEST(Shell, AtThirtyTwoBitsTheFrameIsDrawnIntoTheSurfaceBelowTheTopBand) {
    Harness h32(32);
    h32.runUntilQuit(5);
    const uint8_t* surface = h32.host.surfacePixels();
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(h32.app.framebuffer32.pixels),
              surface + 64 * 512 * 4);
    Harness h24(24);
    h24.runUntilQuit(5);
    EXPECT_EQ(h24.app.framebuffer32.pixels, h24.app.framebufferOwnPixels);
}

TEST(Shell, TheStartRequestTogglesOnceAndHidesTheCursorTenTimes) {
    Harness h;
    h.runUntilQuit(5);
    const int count = h.host.cursorCount();
    h.app.flags.launcherOpen = 0;
    h.app.flags.fullScreenRequest = 1;
    h.pass();
    EXPECT_TRUE(h.app.display.fullScreen());
    EXPECT_EQ(h.app.flags.fullScreenRequest, 2);
    h.runUntilQuit(30);
    EXPECT_EQ(h.host.cursorCount(), count - 10);
    EXPECT_FALSE(h.host.cursorVisible());
}

TEST(Shell, LoadingRunsAtTheTopOfThePassBeforeAWaitingQuit) {
    Harness h;
    h.runUntilQuit(5);
    h.app.flags.launcherOpen = 0;
    h.pass(); // a frame: the loading screen asks for loading
    ASSERT_EQ(h.app.context.loadingPhase, 2);
    h.host.postQuitMessage(7);
    EXPECT_FALSE(h.pass());
    EXPECT_EQ(h.app.context.loadingPhase, 0);
    EXPECT_EQ(h.exitCode, 7);
}

TEST(Shell, WindowKeepsTheWindowAndAFullScreenStartStaysFullScreen) {
    Harness h;
    h.app.options.windowed = true;
    h.runUntilQuit(5);
    const int count = h.host.cursorCount();
    h.app.flags.launcherOpen = 0;
    h.app.flags.fullScreenRequest = 1;
    h.runUntilQuit(15);
    EXPECT_FALSE(h.app.display.fullScreen());
    EXPECT_EQ(h.app.flags.fullScreenRequest, 2);
    EXPECT_EQ(h.host.cursorCount(), count); // the cursor stays over a window
    // Started full screen, the start button does not toggle back to a window.
    Harness f;
    f.app.display.toggle();
    ASSERT_TRUE(f.app.display.fullScreen());
    f.runUntilQuit(5);
    f.app.flags.launcherOpen = 0;
    f.app.flags.fullScreenRequest = 1;
    f.runUntilQuit(15);
    EXPECT_TRUE(f.app.display.fullScreen());
    EXPECT_FALSE(f.host.cursorVisible());
}

TEST(Shell, TheScreenshotIsThePictureAt512By256WhereverTheDepth) {
    for (int depth : {32, 16}) {
        Harness h(depth);
        testing_files::TempDir shots("shell_shots");
        h.app.options.shotsDir = shots.path().string();
        h.runUntilQuit(8);
        // A picture of our own, drawn as a frame would leave it.
        uint32_t* p = depth == 32 ? h.app.framebuffer32.pixels : h.app.framebufferOwnPixels;
        for (int i = 0; i < 512 * 256; ++i)
            p[i] = static_cast<uint32_t>(i * 2654435761u) & 0x00FFFFFF;
        const std::string first = app::takeScreenshot(h.app), second = app::takeScreenshot(h.app);
        ASSERT_FALSE(first.empty());
        EXPECT_NE(first, second); // never over an earlier one
        testing_png::Picture pic;
        ASSERT_TRUE(testing_png::readPng(first, pic));
        ASSERT_EQ(pic.width, 512);
        ASSERT_EQ(pic.height, 256);
        for (int i : {0, 1, 511, 512 * 100 + 7, 512 * 256 - 1}) {
            const uint32_t v = p[i];
            EXPECT_EQ(pic.rgb[3 * i], (v >> 16) & 255) << depth << " " << i;
            EXPECT_EQ(pic.rgb[3 * i + 1], (v >> 8) & 255);
            EXPECT_EQ(pic.rgb[3 * i + 2], v & 255);
        }
    }
}

TEST(Shell, EscapeEndsACaptureWholeWithItsSound) {
    Harness h;
    testing_files::TempDir dir("shell_escape");
    ASSERT_TRUE(h.app.capture.open(dir.path().string(), 10, 512, 384));
    h.runUntilQuit(40);
    h.host.inject({MessageKind::KeyDown, vk::Escape});
    EXPECT_TRUE(h.runUntilQuit(20));
    EXPECT_EQ(h.exitCode, 0);
    const int pictures = h.app.capture.written();
    EXPECT_GT(pictures, 5);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "000000.png"));
    // The sound lasts as long as the pictures: 100 ms each.
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "soundtrack.wav"),
              44u + 4410u * 4 * pictures);
}
