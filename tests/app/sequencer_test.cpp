#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/screens.h"
#include "app/shell.h"
#include "parts/part.h"
#include "platform/clock.h"
#include "platform/headless_host.h"
#include "tests/test_production.h"
#include "tools/writers/image_writers.h"

using platform::MessageKind;

namespace {

std::vector<std::string> journal;

// A part that notes what happens to it, waits its frame time and hands over when asked.
class TestPart : public parts::DemoPart {
  public:
    TestPart(int number, int frames, int frameMs)
        : number_(number), frames_(frames), frameMs_(frameMs) {}
    void load(parts::Stage&, int w, int h) override {
        journal.push_back("load " + std::to_string(number_) + " " + std::to_string(w) + "x" +
                          std::to_string(h));
    }
    parts::HandOver handOver() const override { return {number_, "", "after its frames", ""}; }
    void run(parts::Stage& stage) override {
        const uint32_t start = platform::tickCount();
        journal.push_back("run " + std::to_string(number_));
        if (++ran_ == frames_) {
            stage.context.partNumber = number_ + 1;
            journal.push_back("hand over " + std::to_string(number_));
        }
        parts::waitFrameTime(start, frameMs_);
    }
    void free(parts::Stage&) override { journal.push_back("free " + std::to_string(number_)); }

  private:
    int number_, frames_, frameMs_, ran_ = 0;
};

struct Production {
    Production() : production("sequencer"), host({32, 0x07E0}) {
        journal.clear();
        std::filesystem::current_path(production.data());
        platform::setClock(platform::Clock::virtualClock(30));
        app.options.headless = true;
        app.host = &host;
        app.desktopImage.create(512, 384);
        host.createWindow(200, 200, 512, 384);
        EXPECT_TRUE(app::startUp(app));
    }
    ~Production() { std::filesystem::current_path(std::filesystem::temp_directory_path()); }
    bool pass() { return app::mainLoopPass(app, exitCode); }
    testing_files::TestProduction production;
    platform::HeadlessHost host;
    app::App app;
    int exitCode = 0;
};

} // namespace

TEST(Sequencer, PartsLoadInOrderRunInTurnAndHandOverOnTheNextFrame) {
    Production r;
    r.app.parts[0] = std::make_unique<TestPart>(1, 2, 25);
    r.app.parts[1] = std::make_unique<TestPart>(2, 3, 29);
    r.app.parts[3] = std::make_unique<TestPart>(4, 1000, 25); // part 3 is absent
    for (int i = 0; i < 10; ++i)
        r.pass();
    r.app.flags.launcherOpen = 0;
    r.app.flags.fullScreenRequest = 1;
    int loadingFrames = 0;
    for (int i = 0; i < 40; ++i) {
        const int64_t before = r.app.framesPresented;
        const bool loadingScreen = r.app.context.loadingPhase == 1 && !r.app.flags.launcherOpen;
        r.pass();
        if (loadingScreen && r.app.framesPresented > before) ++loadingFrames;
    }
    EXPECT_EQ(loadingFrames, 1);
    const std::vector<std::string> start(journal.begin(), journal.begin() + 10);
    EXPECT_EQ(start, (std::vector<std::string>{"load 1 512x256", "load 2 512x256", "load 4 512x256",
                                               "run 1", "run 1", "hand over 1", "run 2", "run 2",
                                               "run 2", "hand over 2"}));
    // part 3 is not built: frames go on, nothing runs, and nothing moves the part number on.
    EXPECT_EQ(r.app.context.partNumber, 3);
    EXPECT_EQ(journal.size(), 10u);
    r.host.postMessage({MessageKind::Close, 0});
    while (r.pass()) {
    }
    EXPECT_EQ(std::vector<std::string>(journal.end() - 3, journal.end()),
              (std::vector<std::string>{"free 1", "free 2", "free 4"}));
}

TEST(Sequencer, NumbersOutsideOneToEightRunNothingButStillPresent) {
    Production r;
    r.app.parts[0] = std::make_unique<TestPart>(1, 1000, 25);
    r.app.flags.launcherOpen = 0;
    r.app.context.loadingPhase = 0;
    for (int n : {0, 9, -3, 1 << 20}) {
        r.app.context.partNumber = n;
        const int64_t before = r.app.framesPresented;
        app::frameFunction(r.app);
        EXPECT_EQ(r.app.framesPresented, before + 1);
    }
    EXPECT_TRUE(journal.empty());
}

TEST(Sequencer, MinimumFrameTimesInVirtualTime) {
    platform::setClock(platform::Clock::virtualClock(30, 1000));
    uint32_t start = platform::tickCount();
    parts::waitFrameTime(start, 25);
    EXPECT_EQ(platform::tickCount() - start, 25u);
    start = platform::tickCount();
    parts::waitFrameTime(start, 43.47826);
    EXPECT_EQ(platform::tickCount() - start, 44u);
    start = platform::tickCount();
    parts::waitMoreThan(start, 32); // part 7 waits while 32 ms or less have passed
    EXPECT_EQ(platform::tickCount() - start, 33u);
    platform::clock().advanceMicroseconds(40'000);
    start = platform::tickCount() - 40;
    parts::waitFrameTime(start, 25); // a long frame is not made longer
    EXPECT_EQ(platform::tickCount() - start, 40u);
}

TEST(Sequencer, TheDebugToggleLocksForTenFrames) {
    parts::DebugKeys keys;
    platform::InputState held;
    held.slots[parts::kDebugKeySlot] = 1;
    std::vector<int> flips;
    bool last = false;
    for (int frame = 0; frame < 45; ++frame) {
        keys.step(held);
        if (keys.toggle != last) flips.push_back(frame), last = keys.toggle;
    }
    // Counter 0 .. 20 takes 21 frames; then every 11th frame while the key is held.
    EXPECT_EQ(flips, (std::vector<int>{20, 31, 42}));
    parts::DebugKeys idle;
    for (int frame = 0; frame < 45; ++frame)
        idle.step(platform::InputState{});
    EXPECT_FALSE(idle.toggle);
}

TEST(LoadingScreen, StripsAndCaptionOverBlack) {
    testing_files::TestProduction production("loading");
    std::filesystem::current_path(production.data());
    std::filesystem::create_directories("image");
    auto picture = [](const char* name, int w, int h, uint32_t colour) {
        std::vector<uint32_t> px(static_cast<size_t>(w) * h, colour);
        ASSERT_TRUE(writers::writeBytes(std::string("image/") + name,
                                        writers::encodeTga24(px.data(), w, h, false)));
    };
    picture("loading01.tga", 512, 60, 0x000010);
    picture("loading02.tga", 512, 130, 0x000020); // rows 49 .. 178
    picture("loading03.tga", 512, 60, 0x000040);  // rows 171 .. 230 (slightly smaller)
    picture("loadingText.tga", 100, 20, 0x808080);
    platform::HeadlessHost host({32, 0x07E0});
    platform::setClock(platform::Clock::virtualClock(30));
    app::App a;
    a.options.headless = true;
    a.host = &host;
    a.desktopImage.create(512, 384);
    host.createWindow(200, 200, 512, 384);
    ASSERT_TRUE(app::startUp(a));
    uint8_t* surface = a.display.lock();
    std::fill_n(surface, 512 * 384 * 4, uint8_t{0x77}); // leftovers of the launcher
    a.framebuffer32.pixels = reinterpret_cast<uint32_t*>(surface + 64 * 512 * 4);
    app::drawLoadingScreen(a, surface);
    EXPECT_EQ(a.context.loadingPhase, 2);
    const auto* px = reinterpret_cast<const uint32_t*>(surface);
    for (int y : {0, 63, 320, 383})
        for (int x = 0; x < 512; x += 51)
            ASSERT_EQ(px[y * 512 + x], 0u) << x << "," << y;
    auto at = [&](int x, int y) { return px[(64 + y) * 512 + x]; };
    EXPECT_EQ(at(100, 10), 0x000010u);
    EXPECT_EQ(at(100, 100), 0x000020u);
    // Strip 3 is drawn 1 % small, so its filter weights fall just short of 256: 0x40 -> 0x3F.
    EXPECT_EQ(at(100, 175), 0x00005Fu); // strip 2 added onto strip 3
    EXPECT_EQ(at(100, 200), 0x00003Fu);
    // The caption's top-left corner lies at about (316, 197); alpha 255 keeps 255/256.
    EXPECT_EQ(at(318, 199) & 0xFF0000, 0x7F0000u);
    EXPECT_EQ(at(314, 199) & 0xFF0000, 0u);
    EXPECT_EQ(at(318, 195) & 0xFF0000, 0u);
    std::filesystem::current_path(std::filesystem::temp_directory_path());
}
