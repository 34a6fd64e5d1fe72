#include "app/capture.h"

#include "picture/png_writer.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>

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

bool writeSoundtrackWav(const std::string& path, const std::vector<int16_t>& soundtrack, uint64_t offsetUs,
                        uint64_t durationUs) {
    const uint64_t frames = durationUs * 44100 / 1'000'000, silent = std::min(frames, offsetUs * 44100 / 1'000'000);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    auto put = [&](const void* p, size_t n) { return std::fwrite(p, 1, n, f) == n; };
    auto put32 = [&](uint32_t v) { return put(&v, 4); };
    auto put16 = [&](uint16_t v) { return put(&v, 2); };
    const uint32_t dataBytes = static_cast<uint32_t>(std::min<uint64_t>(frames * 4, 0xFFFFFF00u));
    bool ok = put("RIFF", 4) && put32(36 + dataBytes) && put("WAVEfmt ", 8) && put32(16) && put16(1) && put16(2) &&
              put32(44100) && put32(176400) && put16(4) && put16(16) && put("data", 4) && put32(dataBytes);
    const std::vector<int16_t> zeros(8192, 0);
    uint64_t left = dataBytes / 4, fromTrack = 0;
    for (uint64_t i = 0; ok && i < silent && left > 0;) {
        const uint64_t n = std::min<uint64_t>({zeros.size() / 2, silent - i, left});
        ok = put(zeros.data(), n * 4), i += n, left -= n;
    }
    while (ok && left > 0) {
        const uint64_t available = soundtrack.size() / 2 > fromTrack ? soundtrack.size() / 2 - fromTrack : 0;
        const uint64_t n = std::min<uint64_t>(left, available ? std::min<uint64_t>(available, 8192) : zeros.size() / 2);
        ok = available ? put(soundtrack.data() + fromTrack * 2, n * 4) : put(zeros.data(), n * 4);
        fromTrack += available ? n : 0, left -= n;
    }
    return std::fclose(f) == 0 && ok;
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
