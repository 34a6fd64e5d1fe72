#pragma once
// The contract every demo part keeps, what the shell lends it, and the helpers all parts
// share: the minimum frame time and the debug keys.
#include <array>
#include <cstdint>
#include <memory>

#include "picture/image32.h"
#include "picture/resource_lists.h"
#include "platform/clock.h"
#include "platform/input_state.h"
#include "scene3d/scene.h"
#include "sound/demo_context.h"

namespace parts {

// The four pictures of the loading screen, which part 1's opening draws again.
struct LoadingPictures {
    picture::LoadedImage32 strip1, strip2, strip3, caption;
};

// The shell's state that a part draws into and reads.
struct Stage {
    picture::Image32& framebuffer;
    sound::DemoContext& context;
    picture::ResourceLists& resources;
    const platform::FrameClock& clock;
    const platform::InputState& input;
    platform::DebugScratch& debug;
    const LoadingPictures& loading;
};

// Everything a Stage lends, owned in one place, for a part run outside the shell (the tests
// and benchmarks).
struct OwnedStage {
    picture::Image32 framebuffer;
    sound::DemoContext context;
    picture::ResourceLists resources;
    platform::FrameClock clock;
    platform::InputState input;
    platform::DebugScratch debug;
    LoadingPictures loading;
    Stage stage{framebuffer, context, resources, clock, input, debug, loading};
};

// How a part ends, as the part itself states it, for the reports.
struct HandOver {
    int part;
    const char* syncFile;  // taken on the part's first frame
    const char* endsWhen;  // the condition on which it writes the next part number
    const char* frameTime; // its minimum frame time
};

class DemoPart {
  public:
    virtual ~DemoPart() = default;
    // Once, in part order, behind the loading screen: scenes, images, palettes, tables.
    virtual void load(Stage& stage, int width, int height) = 0;
    // Once a frame while partNumber is this part's: draw, test the end, wait out the frame.
    virtual void run(Stage& stage) = 0;
    // At quit. Nothing is released early: the process end reclaims everything.
    virtual void free(Stage&) {}
    virtual HandOver handOver() const = 0;
};

// Parts 1 to 8 at index 0 to 7, each given what it takes from the parts before it; a part not
// built yet is absent.
std::array<std::unique_ptr<DemoPart>, 8> buildParts();

// The debug keys: every 20th frame the letter I (slot 45) flips the toggle, which then stays
// locked for 10 frames.
struct DebugKeys {
    int counter = 0;
    bool toggle = false;
    void step(const platform::InputState& input);
};

constexpr int kDebugKeySlot = 45;

// Waits until the signed tick difference from `start` reaches ms.
void waitFrameTime(uint32_t start, int ms);
// part 1's floating-point comparison (43.47826 ms).
void waitFrameTime(uint32_t start, double ms);
// part 7's rule: waits while the elapsed time is ms or less.
void waitMoreThan(uint32_t start, int ms);

} // namespace parts
