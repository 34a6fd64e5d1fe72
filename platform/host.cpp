#include "platform/host.h"

#include <algorithm>

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

int wholeMultiple(int outWidth, int outHeight, int width, int height) {
    if (width <= 0 || height <= 0) return 1;
    const int k = std::min(outWidth / width, outHeight / height);
    return k > 0 ? k : 1;
}

Rect presentationRect(Presentation::Scale scale, int outWidth, int outHeight, int width,
                      int height) {
    int w = outWidth, h = outHeight;
    if (scale == Presentation::Scale::Integer) {
        const int k = wholeMultiple(outWidth, outHeight, width, height);
        w = width * k, h = height * k;
    } else if (scale == Presentation::Scale::Fit && width > 0 && height > 0) {
        // The larger size whose width and height both fit, 4:3 kept to the pixel.
        if (static_cast<int64_t>(outWidth) * height <= static_cast<int64_t>(outHeight) * width)
            w = outWidth,
            h = static_cast<int>((static_cast<int64_t>(outWidth) * height + width / 2) / width);
        else
            h = outHeight,
            w = static_cast<int>((static_cast<int64_t>(outHeight) * width + height / 2) / height);
    }
    const int x = (outWidth - w) / 2, y = (outHeight - h) / 2;
    return {x, y, x + w, y + h};
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
