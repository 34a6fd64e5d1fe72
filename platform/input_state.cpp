#include "platform/input_state.h"

namespace platform {

namespace {

constexpr std::array<uint32_t, kKeySlots> kWatchedKeys = {
    vk::Up, vk::Down, vk::Right, vk::Left, vk::PageUp, vk::PageDown, vk::Add, vk::Subtract,
    vk::Insert, vk::Delete,
    // 10 .. 22
    'P', 'H', 'V', 'S', 'C', 'R', 'M', 'B', 'F', 'L', 'O', 'Z', 'D', vk::Home, vk::End, 'T',
    // 26 .. 35: digits 1 to 9, then 0
    vk::digit(1), vk::digit(2), vk::digit(3), vk::digit(4), vk::digit(5), vk::digit(6),
    vk::digit(7), vk::digit(8), vk::digit(9), vk::digit(0),
    // 36 .. 43: F1 to F8
    vk::F1, vk::F1 + 1, vk::F1 + 2, vk::F1 + 3, vk::F1 + 4, vk::F1 + 5, vk::F1 + 6, vk::F1 + 7,
    // 44 .. 48
    'A', 'I', 'N', 'K', 'W'};

} // namespace

int keySlot(uint32_t virtualKey) {
    for (int i = 0; i < kKeySlots; ++i)
        if (kWatchedKeys[i] == virtualKey) return i;
    return -1;
}

Point pictureMousePosition(Point cursor, Rect window) {
    return {cursor.x - window.left, cursor.y - window.top - 64};
}

void tickFrameClock(FrameClock& clock, uint32_t now) {
    clock.frameTickCount = now;
    ++clock.frameCounter;
    if (static_cast<int32_t>(clock.frameTickCount - clock.lastUpdateTick) >= 1000) {
        clock.framesPerSecond = clock.frameCounter;
        clock.frameCounter = 0;
        clock.lastUpdateTick = clock.frameTickCount;
    }
}

} // namespace platform
