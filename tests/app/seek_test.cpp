#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/shell.h"
#include "parts/part1.h"
#include "platform/audio_stream.h"
#include "platform/clock.h"
#include "platform/headless_host.h"
#include "tests/temp_dir.h"
#include "tests/test_production.h"
#include "tools/writers/image_writers.h"

namespace {

// The generated production, headless on a virtual clock, the start button pressed at once.
struct ShowRun {
    explicit ShowRun(app::StartAt startAt = {}) : host({32, 0x07E0}) {
        std::filesystem::current_path(std::string(PRODUCTION_DIR) + "/data");
        platform::setClock(platform::Clock::virtualClock(30));
        app.options.headless = true;
        app.options.autostartMs = 0;
        app.options.startAt = startAt;
        app.host = &host;
        app.desktopImage.create(512, 384);
        host.captureDesktop(app.desktopImage.pixels, 200, 200, 512, 384);
        host.createWindow(200, 200, 512, 384);
        app.parts = parts::buildParts();
        EXPECT_TRUE(app::startUp(app));
    }
    ~ShowRun() { std::filesystem::current_path(std::filesystem::temp_directory_path()); }
    // Passes until the next frame is shown: its picture, and the music's position then.
    void nextShown(int passes = 100) {
        const int64_t before = app.framesPresented;
        int code = 0;
        for (int i = 0; i < passes && app.framesPresented == before; ++i)
            ASSERT_TRUE(app::mainLoopPass(app, code));
        ASSERT_GT(app.framesPresented, before);
        const uint8_t* s = host.surfacePixels();
        picture.assign(s, s + 512 * 384 * 4);
        music = app.context.stream ? app.context.stream->position() : 0;
    }
    // Passes until the seek target holds at the start of a pass, then the frame it shows.
    void runTo(const app::StartAt& target) {
        int code = 0;
        for (int i = 0; i < 20000 && !app::seekReached(app, target); ++i)
            ASSERT_TRUE(app::mainLoopPass(app, code));
        ASSERT_TRUE(app::seekReached(app, target));
        nextShown();
    }
    // A seek run: the first frame shown.
    void firstShown() {
        nextShown(20000);
        EXPECT_FALSE(app.seeking);
    }
    platform::HeadlessHost host;
    app::App app;
    std::vector<uint8_t> picture;
    uint64_t music = 0;
};

size_t differingPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t n = 0;
    for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4)
        n += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return n + (a.size() != b.size());
}

} // namespace

// Two frames of a full run from where the target first holds: pictures and music. One run at
// a time: the clock and the random numbers are the process's.
struct Shown {
    std::vector<uint8_t> first, second;
    uint64_t music = 0;
    int part = 0;
};

Shown fullRunTo(const app::StartAt& at) {
    Shown s;
    ShowRun full;
    full.runTo(at);
    s.first = full.picture, s.music = full.music, s.part = full.app.context.partNumber;
    full.nextShown();
    s.second = full.picture;
    return s;
}

Shown seekRunTo(const app::StartAt& at) {
    Shown s;
    ShowRun seek(at);
    seek.firstShown();
    EXPECT_EQ(seek.app.framesPresented, 1); // nothing was shown before
    s.first = seek.picture, s.music = seek.music, s.part = seek.app.context.partNumber;
    seek.nextShown();
    s.second = seek.picture;
    return s;
}

TEST(Seek, AStartInPartOneShowsTheFullRunsPictureWithTheMusicInStep) {
    const app::StartAt at{20.0, 0};
    const Shown full = fullRunTo(at), seek = seekRunTo(at);
    EXPECT_EQ(differingPixels(full.first, seek.first), 0u);
    EXPECT_EQ(seek.music, full.music);
    EXPECT_GE(seek.music, 20u * 176400);
    // The frame that began at the time, read once it is over: within two of part 1's frames.
    EXPECT_LT(seek.music, 20u * 176400 + 176400 / 10);
    // The frame after is the same too: the state went on as in the full run.
    EXPECT_EQ(differingPixels(full.second, seek.second), 0u);
}

TEST(Seek, AStartAtAPartShowsItsFirstFrame) {
    // part 5: four parts and their hand-overs played unseen before it.
    const app::StartAt at{-1, 5};
    const Shown full = fullRunTo(at), seek = seekRunTo(at);
    EXPECT_EQ(seek.part, 5);
    EXPECT_EQ(differingPixels(full.first, seek.first), 0u);
    EXPECT_EQ(differingPixels(full.second, seek.second), 0u);
    EXPECT_EQ(seek.music, full.music);
    // On channel 0's third event of "other/s4", near 139 s, to within a few frames.
    EXPECT_NEAR(static_cast<double>(seek.music) / 176400, 139.0, 0.3);
}

TEST(Seek, StreamsPlayOnFromAGivenPositionAndClocksGoOnWhereTheyStood) {
    testing_files::TempDir dir("seek_stream");
    ASSERT_TRUE(writers::writeBytes("t.mp3", testing_files::TestProduction::tone(3.0)));
    platform::setClock(platform::Clock::virtualClock(30, 5000));
    platform::clock().advanceMicroseconds(1'234'567);
    std::string error;
    auto silent = platform::openMp3Stream("t.mp3", false, error);
    ASSERT_NE(silent, nullptr) << error;
    silent->playFrom(176400 + 4 * 7, 42);
    EXPECT_EQ(silent->position(), 176400u + 4 * 7); // exactly where it was put
    uint64_t started = 0;
    ASSERT_TRUE(silent->startedAt(started));
    EXPECT_EQ(started, 42u); // as the earlier stream reported it
    platform::clock().advanceMicroseconds(500'000);
    EXPECT_EQ(silent->position(), 176400u + 4 * 7 + 88200);

    // Virtual to real and back: the tick count and the microseconds go on from where they were.
    const uint32_t tick = platform::tickCount();
    const uint64_t us = platform::clock().microseconds();
    platform::setClock(platform::clock().continuedInRealTime());
    EXPECT_FALSE(platform::clock().isVirtual());
    EXPECT_GE(platform::clock().microseconds(), us);
    EXPECT_LT(platform::clock().microseconds(), us + 200'000);
    EXPECT_GE(platform::tickCount(), tick);
    EXPECT_LT(platform::tickCount(), tick + 200);
    const uint64_t realUs = platform::clock().microseconds();
    platform::setClock(platform::clock().continuedInVirtualTime({60000, 1001}));
    EXPECT_TRUE(platform::clock().isVirtual());
    EXPECT_GE(platform::clock().microseconds(), realUs);
    const uint64_t frozen = platform::clock().microseconds();
    platform::restMilliseconds(20);
    EXPECT_EQ(platform::clock().microseconds(), frozen); // a virtual clock waits for nobody

    // Through a device (SDL's dummy driver): heard from the position given.
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::setClock(platform::Clock::real());
    auto device = platform::openMp3Stream("t.mp3", true, error);
    ASSERT_NE(device, nullptr) << error;
    if (device->audible()) {
        device->playFrom(2 * 176400 + 2, 0);
        EXPECT_EQ(device->position(), 2u * 176400); // whole frames
        platform::waitUntilElapsed(platform::tickCount(), 300);
        EXPECT_GE(device->position(), 2u * 176400);
        EXPECT_LE(device->position(), device->length());
    }
}
