#include "tools/datagen/timeline_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/datagen/pixel_font.h"
#include "tools/writers/image_writers.h"

namespace datagen {

int partAt(const Score& score, double seconds) {
    for (const Section& s : score.sections)
        if (seconds < score.seconds(s.endBeat)) return s.part;
    return score.sections.empty() ? 0 : score.sections.back().part;
}

std::string timelineText(const Score& score, const std::vector<SyncFile>& files) {
    std::string out = "sections:\n";
    char line[160];
    for (const Section& s : score.sections) {
        std::snprintf(line, sizeof line, "  part %d  %-12s %7.2f .. %7.2f s\n", s.part,
                      s.name.c_str(), score.seconds(s.startBeat), score.seconds(s.endBeat));
        out += line;
    }
    for (const SyncFile& f : files) {
        out += "\n" + f.name + ":\n";
        for (size_t c = 0; c < f.channels.size(); ++c)
            for (size_t k = 0; k < f.channels[c].size(); ++k) {
                const sound::SyncEvent& e = f.channels[c][k];
                const double t = e.time / 176400.0;
                std::snprintf(
                    line, sizeof line,
                    "  channel %zu  event %3zu  %8.3f s  value %3u  duration %3u  part %d\n", c, k,
                    t, e.value, e.duration, partAt(score, t));
                out += line;
            }
    }
    return out;
}

bool writeTimelinePlot(const std::string& path, const Score& score,
                       const std::vector<SyncFile>& files, const std::vector<int16_t>& pcm) {
    const double seconds = pcm.size() / 2.0 / 44100.0;
    const int left = 70, width = 1400, waveHeight = 80, rowHeight = 16;
    int rows = 0;
    for (const SyncFile& f : files)
        rows += static_cast<int>(f.channels.size());
    Canvas c(left + width + 10, 30 + waveHeight + rows * rowHeight + 30, 0x101018);
    auto xOf = [&](double t) { return left + static_cast<int>(t / seconds * width); };
    // Part bands, alternately shaded, with their numbers.
    for (size_t i = 0; i < score.sections.size(); ++i) {
        const Section& s = score.sections[i];
        const uint32_t shade = i % 2 ? 0x1C1C2C : 0x242438;
        for (int x = xOf(score.seconds(s.startBeat));
             x < std::min(xOf(score.seconds(s.endBeat)), left + width); ++x)
            for (int y = 20; y < c.height - 20; ++y)
                c.at(x, y) = shade;
        drawText(c, std::to_string(s.part), xOf(score.seconds(s.startBeat)) + 3, 6, 1, 0xC0C0FF);
    }
    // The waveform: each column's peak.
    const size_t perColumn = pcm.size() / 2 / static_cast<size_t>(width) + 1;
    for (int x = 0; x < width; ++x) {
        int peak = 0;
        for (size_t i = static_cast<size_t>(x) * perColumn;
             i < std::min(pcm.size() / 2, (static_cast<size_t>(x) + 1) * perColumn); ++i)
            peak = std::max({peak, std::abs(static_cast<int>(pcm[2 * i])),
                             std::abs(static_cast<int>(pcm[2 * i + 1]))});
        const int h = peak * (waveHeight / 2 - 2) / 32768, mid = 30 + waveHeight / 2;
        for (int y = mid - h; y <= mid + h; ++y)
            c.at(left + x, y) = 0x60A0E0;
    }
    drawText(c, "MUSIC", 8, 30 + waveHeight / 2 - 3, 1, 0xFFFFFF);
    // One row per file and channel: a tick per event, its height the value.
    int row = 0;
    for (const SyncFile& f : files)
        for (size_t ch = 0; ch < f.channels.size(); ++ch, ++row) {
            const int top = 30 + waveHeight + row * rowHeight;
            drawText(c, f.name.substr(6) + " C" + std::to_string(ch), 8, top + 4, 1, 0xFFFFFF);
            for (int x = left; x < left + width; ++x)
                c.at(x, top + rowHeight - 1) = 0x303048;
            for (const sound::SyncEvent& e : f.channels[ch]) {
                const int x = xOf(e.time / 176400.0), h = 2 + e.value * (rowHeight - 4) / 255;
                for (int y = top + rowHeight - 1 - h; y < top + rowHeight - 1; ++y)
                    if (c.inside(x, y)) c.at(x, y) = 0xFFC040;
            }
        }
    for (int s = 0; s <= static_cast<int>(seconds); s += 10)
        drawText(c, std::to_string(s), xOf(s), c.height - 14, 1, 0xA0A0A0);
    return writers::writePngImage(path, c.pixels.data(), c.width, c.height);
}

} // namespace datagen
