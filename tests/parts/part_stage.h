#pragma once
// The shell's state a part is lent, over a fresh test production: what every part's tests
// build before loading their part.
#include <filesystem>
#include <string>

#include "parts/part.h"
#include "platform/clock.h"
#include "tests/test_production.h"
#include "tools/writers/sync_writer.h"

namespace testing_files {

struct PartStage : parts::OwnedStage {
    TestProduction production;

    explicit PartStage(const std::string& name) : production(name) {}
    // Into the data folder, on a virtual clock, with the picture and a silent soundtrack:
    // after a test has written the files of its own it needs.
    void open(int fps = 30) {
        std::filesystem::current_path(production.data());
        platform::setClock(platform::Clock::virtualClock(fps));
        framebuffer.create(512, 256);
        sound::initialiseDemoContext(context, {.withDevice = false});
    }
};

// A part as the shell has it when it takes over: loaded from the test production with the
// "other/s4" the test wrote, the music started, the frame clock past its first second.
template <typename Part> struct TakenOverPart : PartStage {
    Part part;

    TakenOverPart(const std::string& name, const writers::SyncChannels& s4) : PartStage(name) {
        writers::writeBytes(production.data() + "/other/s4", writers::encodeSyncFile({s4}));
        open();
        part.load(stage, 512, 256);
        sound::startMusic(context);
        platform::tickFrameClock(clock, platform::tickCount());
        clock.framesPerSecond = 30;
    }
    void frame() {
        platform::tickFrameClock(clock, platform::tickCount());
        part.run(stage);
    }
};

// An event `seconds` into the music.
inline sound::SyncEvent eventAt(double seconds, uint8_t value, uint8_t duration) {
    return {writers::syncTime(seconds), value, duration};
}

} // namespace testing_files
