#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/input_state.h"
#include "app/options.h"

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
    ASSERT_TRUE(parse({"--headless", "--frames", "12", "--seconds", "2.5", "--capture", "/tmp/x", "--fps", "25",
                       "--depth", "15", "--fullscreen", "--seed", "99", "--autostart", "1000"},
                      o, e))
        << e;
    EXPECT_TRUE(o.headless && o.fullScreen && o.seedGiven);
    EXPECT_EQ(o.frames, 12);
    EXPECT_DOUBLE_EQ(o.seconds, 2.5);
    EXPECT_EQ(o.captureDir, "/tmp/x");
    EXPECT_EQ(o.fps, 25);
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

TEST(Input, KeySlotTable) {
    using namespace platform;
    const std::vector<std::pair<uint32_t, int>> cases = {
        {vk::Up, 0},    {vk::Down, 1},   {vk::Right, 2},      {vk::Left, 3},     {vk::PageUp, 4},
        {vk::PageDown, 5}, {vk::Add, 6}, {vk::Subtract, 7},   {vk::Insert, 8},   {vk::Delete, 9},
        {'P', 10},      {'H', 11},       {'D', 22},           {vk::Home, 23},    {vk::End, 24},
        {'T', 25},      {'1', 26},       {'9', 34},           {'0', 35},         {vk::F1, 36},
        {vk::F1 + 7, 43}, {'A', 44},     {'I', 45},           {'N', 46},         {'K', 47},
        {'W', 48},      {vk::F12, -1},   {vk::Escape, -1},    {'E', -1},         {vk::F1 + 8, -1},
        {0, -1}};
    for (auto [key, slot] : cases) EXPECT_EQ(platform::keySlot(key), slot) << key;
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
