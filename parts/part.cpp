#include "parts/part.h"

#include "platform/clock.h"

namespace parts {

void DebugKeys::step(const platform::InputState& input) {
    if (counter != 20) {
        ++counter;
        return;
    }
    if (input.slots[kDebugKeySlot]) toggle = !toggle;
    counter = 10;
}

void waitFrameTime(uint32_t start, int ms) { platform::waitUntilElapsed(start, ms); }
void waitFrameTime(uint32_t start, double ms) { platform::waitUntilElapsed(start, ms); }
void waitMoreThan(uint32_t start, int ms) { platform::waitUntilElapsed(start, ms + 1); }

const std::array<HandOver, 8> kHandOvers = {{
    {1, "(other/s0, read at start-up)", "more than 54999 ms since its picture began", "30 ms, 25 ms, then 43.47826 ms"},
    {2, "(keeps other/s0)", "more than 83999 ms since the music started", "29 ms"},
    {3, "other/s3, into the current table", "channel 1's cursor is 20 or more", "none"},
    {4, "other/s4", "channel 0's cursor is 3 or more", "25 ms"},
    {5, "other/s4", "channel 0's cursor is 7 or more", "26 ms"},
    {6, "other/s4", "channel 0's cursor is -1, right after the sync update", "25 ms"},
    {7, "other/s7", "channel 0's cursor is exactly 5", "more than 32 ms"},
    {8, "other/s7", "never", "28 ms"},
}};

} // namespace parts
