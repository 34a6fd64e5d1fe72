#pragma once
// Command-line options. The production takes none; these exist for tests and capture, and
// with none given the program behaves as the production does.
#include <cstdint>
#include <string>

namespace app {

struct Options {
    bool headless = false;
    int64_t frames = -1;   // stop after this many presented frames
    double seconds = -1;   // stop after this much time
    std::string captureDir;
    int fps = 30;
    int depth = 0;         // 0: the desktop's own
    bool fullScreen = false;
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

    bool virtualTime() const { return headless || !captureDir.empty(); }
};

// False with a one-line reason for a bad command line.
bool parseOptions(int argc, const char* const* argv, Options& out, std::string& error);

const char* usageText();

} // namespace app
