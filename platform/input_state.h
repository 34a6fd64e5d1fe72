#pragma once
// Keyboard and mouse state as the window messages leave it, the frame clock and the debug
// scratch cells: what the shell keeps for the launcher and the parts to read.
#include <array>
#include <cstdint>

#include "platform/messages.h"

namespace platform {

constexpr int kKeySlots = 49;

// The watched key's slot, or -1 for a key the production does not watch.
int keySlot(uint32_t virtualKey);

struct InputState {
    std::array<int32_t, kKeySlots> slots{};
};

struct MouseState {
    int x = 0, y = 0; // y = 0 is the first row of the 512 x 256 picture
    int leftDown = 0, rightDown = 0;
    Point leftPress, rightPress, leftRelease, rightRelease;
};

// Cursor position relative to the picture: 64 rows of the window lie above it.
Point pictureMousePosition(Point cursor, Rect window);

struct FrameClock {
    uint32_t frameTickCount = 0;
    int32_t framesPerSecond = 30;
    int32_t frameCounter = 0;
    uint32_t lastUpdateTick = 0;
};

// Counts one frame taken at tick `now`; every second framesPerSecond gets the count.
void tickFrameClock(FrameClock& clock, uint32_t now);

// Scratch cells that parts use for their own values and read-outs; key presses other than
// Escape write their code into the first.
struct DebugScratch {
    std::array<int32_t, 4> cells{};
};

} // namespace platform
