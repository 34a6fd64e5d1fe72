#pragma once
// The shell's state a part is lent, over a fresh test production: what every part's tests
// build before loading their part.
#include <filesystem>
#include <string>

#include "parts/part.h"
#include "platform/clock.h"
#include "tests/test_production.h"

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

} // namespace testing_files
