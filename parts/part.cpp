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

void waitFrameTime(uint32_t start, int ms) {
    platform::waitUntilElapsed(start, ms);
}
void waitFrameTime(uint32_t start, double ms) {
    platform::waitUntilElapsed(start, ms);
}
void waitMoreThan(uint32_t start, int ms) {
    platform::waitUntilElapsed(start, ms + 1);
}

} // namespace parts
