#include "app/capture.h"

#include "picture/png_writer.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace app {

void surfaceToRgb(const uint8_t* s, int depth, int pixelCount, uint8_t* rgb) {
    for (int i = 0; i < pixelCount; ++i, rgb += 3) {
        switch (depth) {
        case 15: {
            const unsigned v = s[2 * i] | (s[2 * i + 1] << 8);
            rgb[0] = static_cast<uint8_t>(((v >> 10) & 31) << 3);
            rgb[1] = static_cast<uint8_t>(((v >> 5) & 31) << 3);
            rgb[2] = static_cast<uint8_t>((v & 31) << 3);
            break;
        }
        case 16: {
            const unsigned v = s[2 * i] | (s[2 * i + 1] << 8);
            rgb[0] = static_cast<uint8_t>(((v >> 11) & 31) << 3);
            rgb[1] = static_cast<uint8_t>(((v >> 5) & 63) << 2);
            rgb[2] = static_cast<uint8_t>((v & 31) << 3);
            break;
        }
        case 24:
            rgb[0] = s[3 * i + 2], rgb[1] = s[3 * i + 1], rgb[2] = s[3 * i];
            break;
        default:
            rgb[0] = s[4 * i + 2], rgb[1] = s[4 * i + 1], rgb[2] = s[4 * i];
            break;
        }
    }
}

bool CaptureWriter::open(const std::string& dir, int fps, int width, int height, uint64_t endUs) {
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "capture: cannot make %s: %s\n", dir.c_str(), std::strerror(errno));
        return false;
    }
    dir_ = dir;
    fps_ = fps > 0 ? fps : 30;
    width_ = width, height_ = height;
    endUs_ = endUs;
    shown_.assign(static_cast<size_t>(width) * height * 3, 0);
    return true;
}

void CaptureWriter::writeDue(uint64_t before) {
    // Period k begins at firstUs + k * 1e6 / fps; the picture on screen then is written.
    for (;;) {
        const uint64_t due = firstUs_ + static_cast<uint64_t>(written_) * 1'000'000 / fps_;
        if (due >= before || due >= endUs_ || failed_) return;
        char name[32];
        std::snprintf(name, sizeof name, "/%06d.png", written_);
        if (!picture::writePng(dir_ + name, shown_.data(), width_, height_)) {
            std::fprintf(stderr, "capture: cannot write %s%s\n", dir_.c_str(), name);
            failed_ = true;
            return;
        }
        ++written_;
    }
}

void CaptureWriter::onPresent(uint64_t us, const uint8_t* surface, int depth) {
    if (!active() || !surface) return;
    if (!started_) {
        started_ = true;
        firstUs_ = us;
    } else {
        writeDue(us);
    }
    surfaceToRgb(surface, depth, width_ * height_, shown_.data());
}

void CaptureWriter::finish(uint64_t us) {
    if (!active() || !started_) return;
    writeDue(us);
}

} // namespace app
