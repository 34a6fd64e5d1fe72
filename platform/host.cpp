#include "platform/host.h"

namespace platform {

int Host::showCursor(bool show) {
    const bool wasVisible = cursorCount_ >= 0;
    cursorCount_ += show ? 1 : -1;
    const bool visible = cursorCount_ >= 0;
    if (visible != wasVisible) applyCursor(visible);
    return cursorCount_;
}

bool Host::peekMessage(Message& out) {
    if (!sent_.empty()) {
        out = sent_.front();
        sent_.erase(sent_.begin());
        return true;
    }
    if (!posted_.empty()) {
        out = posted_.front();
        posted_.erase(posted_.begin());
        return true;
    }
    if (windowExists_ && pollSystem(out)) return true;
    if (quitPending_) {
        quitPending_ = false;
        out = Message{MessageKind::Quit, quitCode_};
        return true;
    }
    return false;
}

void makeStandInDesktop(uint32_t* pixels, int width, int height) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t r = 40 + (x * 60) / (width > 0 ? width : 1);
            uint32_t g = 70 + (y * 70) / (height > 0 ? height : 1);
            uint32_t b = 120 + ((x + y) * 50) / (width + height > 0 ? width + height : 1);
            if (x % 32 == 0 || y % 32 == 0) r += 24, g += 24, b += 24;
            pixels[static_cast<size_t>(y) * width + x] = (r << 16) | (g << 8) | b;
        }
    }
}

} // namespace platform
