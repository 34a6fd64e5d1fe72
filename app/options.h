#pragma once
// Command-line options. The production takes none; these exist for tests and capture, and
// with none given the program behaves as the production does.
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/host.h"

namespace app {

// How the 512 x 384 screen fills a larger one: the largest whole multiple, the largest size
// with 4:3 kept, or all of it.
enum class ScreenScale { Default, Integer, Fit, Stretch };
// nearest: square pixels throughout; sharp: nearest to the largest whole multiple, then
// linear to the final size.
enum class ScreenFilter { Default, Nearest, Sharp };

// Where a seek ends: a time on the soundtrack, or the first frame of a part.
struct StartAt {
    double seconds = -1; // music time
    int part = 0;        // 1 to 8
    bool given() const { return seconds >= 0 || part > 0; }
};

struct Options {
    bool headless = false;
    int64_t frames = -1; // stop after this many presented frames
    double seconds = -1; // stop after this much time
    std::string captureDir;
    std::string videoFile;   // an MP4 made through ffmpeg
    platform::FrameRate fps; // capture rate, N or N/D
    int captureScale = 1;    // captured pictures N times larger
    int depth = 0;           // 0: the desktop's own
    bool fullScreen = false;
    bool windowed = false; // --window: start in a window even where a request says otherwise
    ScreenScale scale = ScreenScale::Default;
    ScreenFilter filter = ScreenFilter::Default;
    bool noSound = false;
    std::string shotsDir; // empty: the data folder's parent
    StartAt startAt;
    bool developer = false; // pause, step and overlay keys
    bool seedGiven = false;
    uint32_t seed = 0;
    int64_t autostartMs = -1;
    std::string dataDir; // empty: the data folder beside the executable
    bool help = false;
    bool bench = false;    // headless run to the end, with a report of frame times
    bool timeline = false; // print the parts' hand-over rules and quit
    // Developers: once the parts are loaded, go straight to this part with the music this many
    // seconds in (virtual time only); the parts before it have not run.
    int jumpPart = 0;
    double jumpSeconds = 0;
    bool checkData = false; // read every file of the production, list the problems and quit

    bool capturing() const { return !captureDir.empty() || !videoFile.empty(); }
    bool virtualTime() const { return headless || capturing(); }
};

// False with a one-line reason for a bad command line.
// "N" or "N/D", both 1 to 1000000, at most 1000 a second.
bool parseFrameRate(const char* text, platform::FrameRate& out);
// Seconds ("75.5"), minutes and seconds ("1:15.5") or a part ("part5").
bool parseStartAt(const char* text, StartAt& out);

bool parseOptions(int argc, const char* const* argv, Options& out, std::string& error);

const char* usageText();

// Folders and files named on the command line, made absolute where the user stood (the
// program moves into its data folder).
void makePathsAbsolute(Options& o);
// How the window and the full screen show the picture.
platform::SdlOptions sdlOptionsOf(const Options& o);

} // namespace app
