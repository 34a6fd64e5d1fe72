#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/options.h"
#include "platform/host.h"
#include "platform/input_state.h"

namespace {

bool parse(std::vector<const char*> args, app::Options& o, std::string& error) {
    args.insert(args.begin(), "demo");
    return app::parseOptions(static_cast<int>(args.size()), args.data(), o, error);
}

} // namespace

TEST(Options, NoOptionsIsTheProductionItself) {
    app::Options o;
    std::string e;
    ASSERT_TRUE(parse({}, o, e));
    EXPECT_FALSE(o.virtualTime());
    EXPECT_EQ(o.depth, 0);
    EXPECT_EQ(o.autostartMs, -1);
}

TEST(Options, TestingOptionsParse) {
    app::Options o;
    std::string e;
    ASSERT_TRUE(
        parse({"--headless", "--frames", "12", "--seconds", "2.5", "--capture", "/tmp/x", "--fps",
               "25", "--depth", "15", "--fullscreen", "--seed", "99", "--autostart", "1000"},
              o, e))
        << e;
    EXPECT_TRUE(o.headless && o.fullScreen && o.seedGiven);
    EXPECT_EQ(o.frames, 12);
    EXPECT_DOUBLE_EQ(o.seconds, 2.5);
    EXPECT_EQ(o.captureDir, "/tmp/x");
    EXPECT_EQ(o.fps.num, 25u);
    EXPECT_EQ(o.fps.den, 1u);
    EXPECT_EQ(o.depth, 15);
    EXPECT_EQ(o.seed, 99u);
    EXPECT_EQ(o.autostartMs, 1000);
    app::Options c;
    ASSERT_TRUE(parse({"--capture", "out"}, c, e));
    EXPECT_TRUE(c.virtualTime()); // capture always runs in virtual time
}

TEST(Options, BadOptionsAreRefusedWithAReason) {
    for (std::vector<const char*> bad : {std::vector<const char*>{"--depth", "8"},
                                         {"--depth"},
                                         {"--frames", "-1"},
                                         {"--frames", "12x"},
                                         {"--fps", "0"},
                                         {"--fps", "1001/0"},
                                         {"--fps", "2001/2"}, // above 1000 a second
                                         {"--fps", "30/"},
                                         {"--scale", "0"},
                                         {"--scale", "fill"},
                                         {"--filter", "linear"},
                                         {"--start-at", "part9"},
                                         {"--start-at", "part"},
                                         {"--start-at", "1:60"},
                                         {"--start-at", "-3"},
                                         {"--video"},
                                         {"--seconds", "nan"},
                                         {"--seed", "4294967296"},
                                         {"--wat"}}) {
        app::Options o;
        std::string e;
        EXPECT_FALSE(parse(bad, o, e)) << bad[0];
        EXPECT_FALSE(e.empty());
        EXPECT_EQ(e.find('\n'), std::string::npos);
    }
}

TEST(Options, CaptureDisplayAndSeekOptions) {
    app::Options o;
    std::string e;
    ASSERT_TRUE(parse(
        {"--fps", "60000/1001", "--scale", "3", "--video", "v.mp4", "--start-at", "1:15.5"}, o, e))
        << e;
    EXPECT_EQ(o.fps.num, 60000u);
    EXPECT_EQ(o.fps.den, 1001u);
    // Period k begins at k * 1001 / 60 ms, truncated to the microsecond.
    EXPECT_EQ(o.fps.periodStartUs(1), 16683u);
    EXPECT_EQ(o.fps.periodStartUs(60000), 1001u * 1'000'000);
    EXPECT_EQ(o.captureScale, 3);
    EXPECT_TRUE(o.capturing() && o.virtualTime());
    EXPECT_DOUBLE_EQ(o.startAt.seconds, 75.5);
    EXPECT_EQ(o.autostartMs, 0); // a seek presses start at once
    app::Options p;
    ASSERT_TRUE(parse({"--start-at", "part5", "--scale", "integer", "--filter", "nearest",
                       "--no-sound", "--window", "--autostart", "300"},
                      p, e))
        << e;
    EXPECT_EQ(p.startAt.part, 5);
    EXPECT_LT(p.startAt.seconds, 0);
    EXPECT_EQ(p.autostartMs, 300);
    EXPECT_EQ(p.scale, app::ScreenScale::Integer);
    EXPECT_EQ(p.filter, app::ScreenFilter::Nearest);
    EXPECT_TRUE(p.noSound && p.windowed && !p.fullScreen);
    EXPECT_FALSE(p.virtualTime()); // a seek alone goes on in real time
    app::Options q;
    ASSERT_TRUE(parse({"--window", "--fullscreen"}, q, e));
    EXPECT_TRUE(q.fullScreen && !q.windowed); // the last one counts
}

TEST(Presentation, IntegerFitAndStretchOnLargerScreens) {
    using S = platform::Presentation::Scale;
    auto rect = [](S s, int w, int h) { return platform::presentationRect(s, w, h, 512, 384); };
    platform::Rect r = rect(S::Integer, 1280, 1024); // 2x: 1024 x 768 centred
    EXPECT_EQ(r.left, 128);
    EXPECT_EQ(r.top, 128);
    EXPECT_EQ(r.right, 1152);
    EXPECT_EQ(r.bottom, 896);
    r = rect(S::Fit, 1280, 1024); // 2.5x: the whole width
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 1280);
    EXPECT_EQ(r.top, 32);
    EXPECT_EQ(r.bottom, 992);
    r = rect(S::Fit, 1920, 1080); // limited by the height: 1440 x 1080
    EXPECT_EQ(r.left, 240);
    EXPECT_EQ(r.right, 1680);
    EXPECT_EQ(r.bottom - r.top, 1080);
    r = rect(S::Stretch, 1920, 1080);
    EXPECT_EQ(r.right - r.left, 1920);
    EXPECT_EQ(r.bottom - r.top, 1080);
    r = rect(S::Integer, 800, 300); // smaller than the picture: never below 1x
    EXPECT_EQ(r.right - r.left, 512);
    EXPECT_EQ(platform::wholeMultiple(1440, 1080, 512, 384), 2);
}

TEST(Input, KeySlotTable) {
    using namespace platform;
    const std::vector<std::pair<uint32_t, int>> cases = {
        {vk::Up, 0},      {vk::Down, 1},     {vk::Right, 2}, {vk::Left, 3},
        {vk::PageUp, 4},  {vk::PageDown, 5}, {vk::Add, 6},   {vk::Subtract, 7},
        {vk::Insert, 8},  {vk::Delete, 9},   {'P', 10},      {'H', 11},
        {'D', 22},        {vk::Home, 23},    {vk::End, 24},  {'T', 25},
        {'1', 26},        {'9', 34},         {'0', 35},      {vk::F1, 36},
        {vk::F1 + 7, 43}, {'A', 44},         {'I', 45},      {'N', 46},
        {'K', 47},        {'W', 48},         {vk::F12, -1},  {vk::Escape, -1},
        {'E', -1},        {vk::F1 + 8, -1},  {0, -1}};
    for (auto [key, slot] : cases)
        EXPECT_EQ(platform::keySlot(key), slot) << key;
}

TEST(Input, FrameClockCountsWholeSecondsWithSignedDifferences) {
    platform::FrameClock c;
    EXPECT_EQ(c.framesPerSecond, 30);
    platform::tickFrameClock(c, 5000);
    EXPECT_EQ(c.framesPerSecond, 1);
    EXPECT_EQ(c.frameCounter, 0);
    platform::tickFrameClock(c, 5500);
    platform::tickFrameClock(c, 5999);
    EXPECT_EQ(c.framesPerSecond, 1);
    platform::tickFrameClock(c, 6000);
    EXPECT_EQ(c.framesPerSecond, 3);
    // Across the wrap of the tick count.
    platform::FrameClock w;
    w.lastUpdateTick = 0xFFFFFE00u;
    platform::tickFrameClock(w, 0x100);
    EXPECT_EQ(w.framesPerSecond, 30); // 512 ms: not yet a second
    platform::tickFrameClock(w, 0x200);
    EXPECT_EQ(w.framesPerSecond, 2);
}

TEST(Options, JumpToAPartInVirtualTime) {
    app::Options o;
    std::string e;
    ASSERT_TRUE(parse({"--headless", "--jump", "5:139.5"}, o, e)) << e;
    EXPECT_EQ(o.jumpPart, 5);
    EXPECT_DOUBLE_EQ(o.jumpSeconds, 139.5);
    EXPECT_EQ(o.autostartMs, 0) << "straight past the launcher";
    for (const char* bad : {"9:10", "0:10", "5", "5:-1", "x:3"}) {
        app::Options b;
        EXPECT_FALSE(parse({"--headless", "--jump", bad}, b, e)) << bad;
    }
    app::Options w;
    EXPECT_FALSE(parse({"--jump", "2:55"}, w, e));
}
