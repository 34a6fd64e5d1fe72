#include "app/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace app {

namespace {

bool parseInteger(const char* text, int64_t min, int64_t max, int64_t& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max) return false;
    out = v;
    return true;
}

bool parseReal(const char* text, double& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < 0) return false;
    out = v;
    return true;
}

} // namespace

const char* usageText() {
    return "usage: demo [options]\n"
           "  --headless        no window and no audio device; virtual time\n"
           "  --frames N        stop after N presented frames\n"
           "  --seconds S       stop after S seconds\n"
           "  --capture DIR     write every frame of virtual time as DIR/NNNNNN.png\n"
           "  --fps F           capture rate (default 30)\n"
           "  --depth D         surface depth: 15, 16, 24 or 32\n"
           "  --fullscreen      start full screen\n"
           "  --seed N          seed of the random numbers\n"
           "  --autostart MS    press the launcher's start button after MS milliseconds\n"
           "  --data DIR        use DIR as the data folder\n"
           "  --bench           headless to the end of the music; report frame times and memory\n"
           "  --timeline        print each part's sync file and end rule\n"
           "  --jump N:S        (development, headless) after loading, part N with the music S s in\n"
           "  --check-data      read every file of the production and list every problem\n"
           "  --help            this text\n";
}

bool parseOptions(int argc, const char* const* argv, Options& out, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needValue = [&](const char* what) {
            if (value) return true;
            error = std::string(arg) + " needs " + what;
            return false;
        };
        int64_t n = 0;
        if (arg == "--headless") {
            out.headless = true;
        } else if (arg == "--fullscreen") {
            out.fullScreen = true;
        } else if (arg == "--bench") {
            out.bench = out.headless = true;
        } else if (arg == "--timeline") {
            out.timeline = true;
        } else if (arg == "--check-data") {
            out.checkData = true;
        } else if (arg == "--help" || arg == "-h") {
            out.help = true;
        } else if (arg == "--frames") {
            if (!needValue("a count")) return false;
            if (!parseInteger(value, 0, INT64_MAX, n)) return error = "bad frame count: " + std::string(value), false;
            out.frames = n, ++i;
        } else if (arg == "--seconds") {
            if (!needValue("a time")) return false;
            if (!parseReal(value, out.seconds)) return error = "bad time: " + std::string(value), false;
            ++i;
        } else if (arg == "--capture") {
            if (!needValue("a folder")) return false;
            out.captureDir = value, ++i;
        } else if (arg == "--fps") {
            if (!needValue("a rate")) return false;
            if (!parseInteger(value, 1, 1000, n)) return error = "bad rate: " + std::string(value), false;
            out.fps = static_cast<int>(n), ++i;
        } else if (arg == "--depth") {
            if (!needValue("15, 16, 24 or 32")) return false;
            if (!parseInteger(value, 0, 64, n) || (n != 15 && n != 16 && n != 24 && n != 32))
                return error = "bad depth: " + std::string(value) + " (15, 16, 24 or 32)", false;
            out.depth = static_cast<int>(n), ++i;
        } else if (arg == "--seed") {
            if (!needValue("a number")) return false;
            if (!parseInteger(value, 0, UINT32_MAX, n)) return error = "bad seed: " + std::string(value), false;
            out.seed = static_cast<uint32_t>(n), out.seedGiven = true, ++i;
        } else if (arg == "--autostart") {
            if (!needValue("milliseconds")) return false;
            if (!parseInteger(value, 0, INT32_MAX, n)) return error = "bad time: " + std::string(value), false;
            out.autostartMs = n, ++i;
        } else if (arg == "--jump") {
            if (!needValue("PART:SECONDS")) return false;
            const std::string v = value;
            const auto colon = v.find(':');
            if (colon == std::string::npos || !parseInteger(v.substr(0, colon).c_str(), 1, 8, n) ||
                !parseReal(v.substr(colon + 1).c_str(), out.jumpSeconds) || out.jumpSeconds < 0 || out.jumpSeconds > 3600)
                return error = "bad jump: " + v + " (PART:SECONDS, part 1 to 8)", false;
            out.jumpPart = static_cast<int>(n), ++i;
        } else if (arg == "--data") {
            if (!needValue("a folder")) return false;
            out.dataDir = value, ++i;
        } else {
            error = "unknown option: " + std::string(arg);
            return false;
        }
    }
    if (out.bench && out.autostartMs < 0) out.autostartMs = 1000; // the start button after a second
    if (out.jumpPart && !out.virtualTime()) return error = "--jump needs virtual time (--headless or --capture)", false;
    if (out.jumpPart && out.autostartMs < 0) out.autostartMs = 0;
    return true;
}

} // namespace app
