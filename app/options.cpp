#include "app/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
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

bool parseFrameRate(const char* text, platform::FrameRate& out) {
    if (!text) return false;
    const std::string_view t = text;
    const auto slash = t.find('/');
    int64_t num = 0, den = 1;
    if (slash == std::string_view::npos) {
        if (!parseInteger(text, 1, 1'000'000, num)) return false;
    } else {
        const std::string a(t.substr(0, slash)), b(t.substr(slash + 1));
        if (!parseInteger(a.c_str(), 1, 1'000'000, num) ||
            !parseInteger(b.c_str(), 1, 1'000'000, den))
            return false;
    }
    if (num > den * 1000) return false;
    out = {static_cast<uint32_t>(num), static_cast<uint32_t>(den)};
    return true;
}

bool parseStartAt(const char* text, StartAt& out) {
    if (!text) return false;
    const std::string_view t = text;
    if (t.size() == 5 && t.substr(0, 4) == "part" && t[4] >= '1' && t[4] <= '8') {
        out = {-1, t[4] - '0'};
        return true;
    }
    double seconds = 0;
    const auto colon = t.find(':');
    if (colon != std::string_view::npos) {
        const std::string m(t.substr(0, colon)), sec(t.substr(colon + 1));
        int64_t minutes = 0;
        double rest = 0;
        if (!parseInteger(m.c_str(), 0, 600, minutes) || !parseReal(sec.c_str(), rest) ||
            rest >= 60)
            return false;
        seconds = static_cast<double>(minutes) * 60 + rest;
    } else if (!parseReal(text, seconds) || seconds > 36000) {
        return false;
    }
    out = {seconds, 0};
    return true;
}

void makePathsAbsolute(Options& o) {
    for (std::string* path : {&o.captureDir, &o.videoFile, &o.shotsDir}) {
        std::error_code ec;
        if (path->empty()) continue;
        const std::filesystem::path p = std::filesystem::absolute(*path, ec);
        if (!ec) *path = p.string();
    }
}

platform::SdlOptions sdlOptionsOf(const Options& o) {
    platform::SdlOptions so;
    so.forcedDepth = o.depth;
    using Scale = platform::Presentation::Scale;
    const Scale scale = o.scale == ScreenScale::Integer   ? Scale::Integer
                        : o.scale == ScreenScale::Stretch ? Scale::Stretch
                                                          : Scale::Fit;
    // A window is the picture's own size: any filter there only matters if it grows.
    so.window = {scale, o.filter == ScreenFilter::Sharp};
    so.fullScreen = {scale, o.filter != ScreenFilter::Nearest};
    return so;
}

const char* usageText() {
    return "usage: demo [options]\n"
           "  --headless        no window and no audio device; virtual time\n"
           "  --frames N        stop after N presented frames\n"
           "  --seconds S       stop after S seconds\n"
           "  --capture DIR     write every frame of virtual time as DIR/NNNNNN.png\n"
           "  --video FILE      make an H.264/AAC MP4 of the run through ffmpeg (virtual time)\n"
           "  --fps N[/D]       capture rate, 30 by default (60000/1001 for 59.94)\n"
           "  --scale N         captured pictures N times larger, square pixels\n"
           "  --scale integer|fit|stretch   how the picture fills a full screen (fit by default)\n"
           "  --filter nearest|sharp        its pixels (sharp by default in full screen)\n"
           "  --depth D         surface depth: 15, 16, 24 or 32\n"
           "  --fullscreen      start full screen\n"
           "  --window          stay in a window when the start button is pressed\n"
           "  --no-sound        no audio device; the music's position follows the clock\n"
           "  --shots DIR       where F11 writes its screenshots (default: beside data)\n"
           "  --start-at T      play from music time T (seconds, or M:SS) or from partN,\n"
           "                    reached unseen in virtual time\n"
           "  --dev             developer keys: Space pause, F9 / F10 one second back / on, Tab "
           "overlay\n"
           "  --seed N          seed of the random numbers\n"
           "  --autostart MS    press the launcher's start button after MS milliseconds\n"
           "  --data DIR        use DIR as the data folder\n"
           "  --bench           headless to the end of the music; report frame times and memory\n"
           "  --timeline        print each part's sync file and end rule\n"
           "  --jump N:S        (development, headless) after loading, part N with the music S s "
           "in\n"
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
            out.fullScreen = true, out.windowed = false;
        } else if (arg == "--window") {
            out.windowed = true, out.fullScreen = false;
        } else if (arg == "--no-sound") {
            out.noSound = true;
        } else if (arg == "--dev") {
            out.developer = true;
        } else if (arg == "--video") {
            if (!needValue("a file")) return false;
            out.videoFile = value, ++i;
        } else if (arg == "--shots") {
            if (!needValue("a folder")) return false;
            out.shotsDir = value, ++i;
        } else if (arg == "--start-at") {
            if (!needValue("a time or partN")) return false;
            if (!parseStartAt(value, out.startAt))
                return error = "bad start: " + std::string(value) +
                               " (seconds, M:SS or part1 to part8)",
                       false;
            ++i;
        } else if (arg == "--scale") {
            if (!needValue("integer, fit, stretch or a factor")) return false;
            const std::string_view v = value;
            if (v == "integer")
                out.scale = ScreenScale::Integer;
            else if (v == "fit")
                out.scale = ScreenScale::Fit;
            else if (v == "stretch")
                out.scale = ScreenScale::Stretch;
            else if (parseInteger(value, 1, 8, n))
                out.captureScale = static_cast<int>(n);
            else
                return error = "bad scale: " + std::string(value) +
                               " (integer, fit, stretch or 1 to 8)",
                       false;
            ++i;
        } else if (arg == "--filter") {
            if (!needValue("nearest or sharp")) return false;
            const std::string_view v = value;
            if (v == "nearest")
                out.filter = ScreenFilter::Nearest;
            else if (v == "sharp")
                out.filter = ScreenFilter::Sharp;
            else
                return error = "bad filter: " + std::string(value) + " (nearest or sharp)", false;
            ++i;
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
            if (!parseInteger(value, 0, INT64_MAX, n))
                return error = "bad frame count: " + std::string(value), false;
            out.frames = n, ++i;
        } else if (arg == "--seconds") {
            if (!needValue("a time")) return false;
            if (!parseReal(value, out.seconds))
                return error = "bad time: " + std::string(value), false;
            ++i;
        } else if (arg == "--capture") {
            if (!needValue("a folder")) return false;
            out.captureDir = value, ++i;
        } else if (arg == "--fps") {
            if (!needValue("a rate")) return false;
            if (!parseFrameRate(value, out.fps))
                return error =
                           "bad rate: " + std::string(value) + " (N or N/D, at most 1000 a second)",
                       false;
            ++i;
        } else if (arg == "--depth") {
            if (!needValue("15, 16, 24 or 32")) return false;
            if (!parseInteger(value, 0, 64, n) || (n != 15 && n != 16 && n != 24 && n != 32))
                return error = "bad depth: " + std::string(value) + " (15, 16, 24 or 32)", false;
            out.depth = static_cast<int>(n), ++i;
        } else if (arg == "--seed") {
            if (!needValue("a number")) return false;
            if (!parseInteger(value, 0, UINT32_MAX, n))
                return error = "bad seed: " + std::string(value), false;
            out.seed = static_cast<uint32_t>(n), out.seedGiven = true, ++i;
        } else if (arg == "--autostart") {
            if (!needValue("milliseconds")) return false;
            if (!parseInteger(value, 0, INT32_MAX, n))
                return error = "bad time: " + std::string(value), false;
            out.autostartMs = n, ++i;
        } else if (arg == "--jump") {
            if (!needValue("PART:SECONDS")) return false;
            const std::string v = value;
            const auto colon = v.find(':');
            if (colon == std::string::npos || !parseInteger(v.substr(0, colon).c_str(), 1, 8, n) ||
                !parseReal(v.substr(colon + 1).c_str(), out.jumpSeconds) || out.jumpSeconds < 0 ||
                out.jumpSeconds > 3600)
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
    if (out.jumpPart && !out.virtualTime())
        return error = "--jump needs virtual time (--headless or --capture)", false;
    if (out.jumpPart && out.autostartMs < 0) out.autostartMs = 0;
    // A seek starts the show at once: its time is the music's, not the launcher's.
    if (out.startAt.given() && out.autostartMs < 0) out.autostartMs = 0;
    return true;
}

} // namespace app
