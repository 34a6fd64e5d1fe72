// Developer tools, one subcommand each.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "picture/file_bytes.h"
#include "picture/image32.h"
#include "picture/image8.h"
#include "platform/audio_stream.h"
#include "platform/clock.h"
#include "sound/sync_track.h"
#include "tests/png_read.h"
#include "tools/writers/image_writers.h"
#include "tools/writers/mp3_writer.h"
#include "tools/writers/sync_writer.h"

int sceneCommand(const std::vector<std::string>& args);  // scene_command.cpp
int renderCommand(const std::vector<std::string>& args); // render_command.cpp

namespace {

int usage() {
    std::fputs(
        "usage: demotool picture IN OUT.png [--indexed]\n"
        "       demotool sync FILE [--json]\n"
        "       demotool testdata DIR [SECONDS]\n"
        "       demotool audioclock FILE SECONDS\n"
        "       demotool scene FILE [--frame F] [--json] [--lib3ds]\n"
        "       demotool xwd FILE [OUT.png]\n"
        "       demotool xwd FILE --match SHOT.png X Y W H\n"
        "       demotool render FILE OUT.png [--mode NAME] [--frame F] [--texture PICTURE] "
        "[--camera N]\n"
        "                       [--describe DESCRIPTION] [--hide NAME,NAME...]\n"
        "  picture   read IN with the production's readers and write it as PNG\n"
        "  sync      list every event of a sync file\n"
        "  testdata  write a minimal production folder (a sync file and a short soundtrack)\n"
        "  audioclock  play FILE on the audio device and compare its position with the clock\n"
        "  scene     a 3DS file as the production reads it (at frame F; all of it as JSON;\n"
        "            or as lib3ds reads it)\n"
        "  xwd       an X window dump's mean brightness (0 .. 255), and as PNG\n"
        "  render    what a 3DS file's camera N (the first by default) sees at frame F, as a\n"
        "            512 x 256 PNG: in one mode and texture if given, or as its scene description\n"
        "            says (with its textures, palettes and light flares); hidden meshes left out\n",
        stderr);
    return 2;
}

// How far a screen dump's rectangle (x, y, w, h) is from a 512 x 256 picture: the mean
// absolute difference per channel over the picture's pixels, each sampled at its centre in
// the rectangle, and the mean brightness of the dump outside the rectangle.
int matchPicture(const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height,
                 const std::vector<std::string>& a) {
    testing_png::Picture shot;
    if (!testing_png::readPng(a[0], shot) || shot.width <= 0 || shot.height <= 0)
        return std::fprintf(stderr, "cannot read %s\n", a[0].c_str()), 1;
    const long rx = std::atol(a[1].c_str()), ry = std::atol(a[2].c_str()),
               rw = std::atol(a[3].c_str()), rh = std::atol(a[4].c_str());
    if (rw <= 0 || rh <= 0 || rx < 0 || ry < 0 || rx + rw > static_cast<long>(width) ||
        ry + rh > static_cast<long>(height))
        return std::fprintf(stderr, "the rectangle leaves the dump\n"), 1;
    double diff = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const long dx = rx + (2 * x + 1) * rw / (2 * shot.width),
                       dy = ry + (2 * y + 1) * rh / (2 * shot.height);
            const uint32_t v = pixels[static_cast<size_t>(dy) * width + static_cast<size_t>(dx)];
            const uint8_t* p = &shot.rgb[(static_cast<size_t>(y) * shot.width + x) * 3];
            diff += std::abs(static_cast<int>((v >> 16) & 255) - p[0]) +
                    std::abs(static_cast<int>((v >> 8) & 255) - p[1]) +
                    std::abs(static_cast<int>(v & 255) - p[2]);
        }
    double outside = 0;
    uint64_t outsideCount = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            if (static_cast<long>(x) >= rx && static_cast<long>(x) < rx + rw &&
                static_cast<long>(y) >= ry && static_cast<long>(y) < ry + rh)
                continue;
            const uint32_t v = pixels[static_cast<size_t>(y) * width + x];
            outside += ((v >> 16) & 255) + ((v >> 8) & 255) + (v & 255);
            ++outsideCount;
        }
    std::printf("difference %.2f outside %.2f\n",
                diff / 3 / (static_cast<double>(shot.width) * shot.height),
                outsideCount ? outside / 3 / static_cast<double>(outsideCount) : 0.0);
    return 0;
}

// An X window dump (xwd's ZPixmap at 24 or 32 bits a pixel): its mean brightness, and as
// PNG; or with --match, how it shows a picture.
int xwdCommand(const std::vector<std::string>& args) {
    const bool match = args.size() == 7 && args[1] == "--match";
    if (args.empty() || (args.size() > 2 && !match)) return usage();
    std::vector<uint8_t> b;
    if (!picture::readFileBytes(args[0], b) || b.size() < 100)
        return std::fprintf(stderr, "cannot read %s\n", args[0].c_str()), 1;
    auto word = [&](size_t i) {
        return static_cast<uint32_t>(b[i * 4]) << 24 | static_cast<uint32_t>(b[i * 4 + 1]) << 16 |
               static_cast<uint32_t>(b[i * 4 + 2]) << 8 | b[i * 4 + 3];
    };
    const uint32_t header = word(0), format = word(2), width = word(4), height = word(5),
                   order = word(7), bpp = word(11), line = word(12), colours = word(19);
    const uint64_t start = static_cast<uint64_t>(header) + static_cast<uint64_t>(colours) * 12;
    const uint32_t bytes = bpp / 8;
    if (format != 2 || (bpp != 32 && bpp != 24) || width == 0 || height == 0 || width > 8192 ||
        height > 8192 || start + static_cast<uint64_t>(line) * height > b.size() ||
        line < width * bytes)
        return std::fprintf(stderr, "%s: not a 24- or 32-bit ZPixmap dump\n", args[0].c_str()), 1;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    double sum = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = b.data() + start + static_cast<uint64_t>(y) * line + x * bytes;
            const uint32_t v = order == 0 ? (p[0] | p[1] << 8 | p[2] << 16)
                                          : (p[bytes - 1] | p[bytes - 2] << 8 | p[bytes - 3] << 16);
            pixels[static_cast<size_t>(y) * width + x] = v;
            sum += ((v >> 16) & 255) + ((v >> 8) & 255) + (v & 255);
        }
    if (match) return matchPicture(pixels, width, height, {args.begin() + 2, args.end()});
    std::printf("%.1f\n", sum / 3 / static_cast<double>(pixels.size()));
    if (args.size() == 2 && !writers::writePngImage(args[1], pixels.data(), static_cast<int>(width),
                                                    static_cast<int>(height)))
        return std::fprintf(stderr, "cannot write %s\n", args[1].c_str()), 1;
    return 0;
}

// Every event of every entry and channel, with its time in seconds and bytes.
int syncCommand(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--json"))
        return usage();
    const bool json = args.size() == 2;
    std::vector<uint8_t> bytes;
    if (!picture::readFileBytes(args[0], bytes)) {
        std::fprintf(stderr, "cannot read %s\n", args[0].c_str());
        return 1;
    }
    auto table = std::make_unique<sound::SyncTable>();
    int32_t entries = 0;
    const sound::SyncParse r = sound::parseSyncFile(bytes.data(), bytes.size(), *table, entries);
    if (!r.ok) {
        std::fprintf(stderr, "%s: %s\n", args[0].c_str(), r.problem.c_str());
        return 1;
    }
    if (json) std::printf("{\"file\": \"%s\", \"entries\": [", args[0].c_str());
    for (int e = 0; e < entries; ++e) {
        const sound::SyncEntry& entry = table->entries[static_cast<size_t>(e)];
        if (json) std::printf("%s{\"channels\": [", e ? ", " : "");
        for (int c = 0; c < entry.channelCount; ++c) {
            if (json)
                std::printf("%s[", c ? ", " : "");
            else
                std::printf("entry %d channel %d: %d events\n", e, c,
                            entry.eventCounts[static_cast<size_t>(c)]);
            for (int k = 0; k < entry.eventCounts[static_cast<size_t>(c)]; ++k) {
                const sound::SyncEvent& ev =
                    entry.events[static_cast<size_t>(c)][static_cast<size_t>(k)];
                const double seconds = ev.time / 176400.0;
                if (json)
                    std::printf(
                        "%s{\"time\": %.4f, \"bytes\": %u, \"value\": %u, \"duration\": %u}",
                        k ? ", " : "", seconds, ev.time, ev.value, ev.duration);
                else
                    std::printf("  %3d  %9.4f s  %10u bytes  value %3u  duration %3u\n", k, seconds,
                                ev.time, ev.value, ev.duration);
            }
            if (json) std::printf("]");
        }
        if (json) std::printf("]}");
    }
    if (json) std::printf("]}\n");
    return 0;
}

// How far the heard position strays from the wall clock while FILE plays.
int audioClockCommand(const std::vector<std::string>& args) {
    if (args.size() != 2) return usage();
    const double seconds = std::atof(args[1].c_str());
    std::string error;
    auto stream = platform::openMp3Stream(args[0], true, error);
    if (!stream) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (!stream->audible())
        std::printf("no audio device: the position follows the clock by construction\n");
    platform::Clock& clock = platform::clock();
    stream->play();
    const uint64_t start = clock.microseconds();
    double worst = 0, first = -1, last = 0;
    uint64_t previous = 0;
    bool monotonic = true;
    while (clock.microseconds() - start < static_cast<uint64_t>(seconds * 1e6)) {
        clock.waitUntilElapsed(clock.tickCount(), 10);
        const uint64_t p = stream->position();
        monotonic = monotonic && p >= previous;
        previous = p;
        const double heardMs = p / 176.4, elapsedMs = (clock.microseconds() - start) / 1000.0;
        if (p > 0 && first < 0) first = elapsedMs - heardMs; // the device's start-up delay
        if (first >= 0)
            worst = std::max(worst, std::abs(elapsedMs - heardMs - first)),
            last = elapsedMs - heardMs - first;
    }
    std::printf("start-up delay %.1f ms; over %.0f s the position strayed at most %.1f ms from the "
                "clock (%.1f ms at "
                "the end); %s\n",
                first, seconds, worst, last, monotonic ? "never decreasing" : "DECREASED");
    return 0;
}

// A folder the program can start on: the sync files and a soundtrack of a tone (two seconds
// unless SECONDS says otherwise).
int testDataCommand(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) return usage();
    const double seconds = args.size() == 2 ? std::atof(args[1].c_str()) : 2.0;
    if (!(seconds > 0 && seconds < 3600)) return usage();
    const std::filesystem::path root = args[0];
    std::error_code ec;
    std::filesystem::create_directories(root / "data" / "other", ec);
    std::vector<int16_t> pcm(2 * static_cast<size_t>(seconds * 44100));
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(
            6000 * std::sin(2 * M_PI * 330.0 * static_cast<double>(i / 2) / 44100.0));
    bool ok = writers::writeBytes((root / "vantrel.mp3").string(),
                                  writers::encodeMp3(pcm, 44100, 2, 192));
    for (const char* sync : {"s0", "s3", "s4", "s7"})
        ok = ok && writers::writeBytes((root / "data/other" / sync).string(),
                                       writers::encodeSyncFile({{{}}}));
    if (!ok) std::fprintf(stderr, "cannot write into %s\n", args[0].c_str());
    return ok ? 0 : 1;
}

// Reads a picture as the production would and writes it out as PNG.
int pictureCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "--indexed"))
        return usage();
    const bool indexed = args.size() == 3;
    std::vector<uint32_t> rgb;
    int width = 0, height = 0;
    // Loads with either class, reports as the production would, and keeps the colours.
    auto read = [&](auto& image, auto colours) {
        const picture::LoadResult result = image.load(args[0]);
        std::printf("%s: %d x %d, load result %d\n", args[0].c_str(), image.width, image.height,
                    result);
        if (result != picture::kLoaded) {
            image.reportLoadError(result);
            return false;
        }
        width = image.width, height = image.height;
        for (size_t i = 0; i < image.pixelCount(); ++i)
            rgb.push_back(colours(image, i));
        return true;
    };
    picture::Image8 image8;
    picture::LoadedImage32 image32;
    const bool ok = indexed ? read(image8, [](const picture::Image8& im,
                                              size_t i) { return im.palette[im.indices[i]]; })
                            : read(image32, [](const picture::LoadedImage32& im, size_t i) {
                                  return im.pixels[i];
                              });
    if (!ok) return 1;
    if (!writers::writePngImage(args[1], rgb.data(), width, height)) {
        std::fprintf(stderr, "cannot write %s\n", args[1].c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "picture") return pictureCommand(args);
    if (command == "sync") return syncCommand(args);
    if (command == "testdata") return testDataCommand(args);
    if (command == "audioclock") return audioClockCommand(args);
    if (command == "scene") return sceneCommand(args);
    if (command == "render") return renderCommand(args);
    if (command == "xwd") return xwdCommand(args);
    return usage();
}
