#pragma once
// The --bench report: for the launcher, the loading and each part, how many frames it drew
// and how long a frame took without its wait; when each part began, in virtual time and in
// music; where the slowest frame came and how many took over 4 ms; the whole run's real time
// against the virtual time it covered; the peak memory.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace app {

class BenchRecorder {
  public:
    bool enabled = false;
    // The run begins: the real time the report measures the whole run from.
    void runBegins();
    // A frame of `screen` begins, at virtual time virtualUs with the music at musicBytes.
    void frameBegin(const std::string& screen, uint64_t virtualUs, uint64_t musicBytes);
    void frameEnd();
    void loadedAll(uint64_t realUs) { loadUs_ = realUs; }
    void report(FILE* out) const;

  private:
    struct Screen {
        std::string name;
        std::vector<uint32_t> frameUs;
        uint64_t beganUs = 0, beganMusic = 0;
        uint32_t worstUs = 0;
        uint64_t worstAtUs = 0; // virtual time of the slowest frame
        int over4ms = 0;
    };
    std::vector<Screen> screens_;
    Screen* current_ = nullptr;
    uint64_t startedUs_ = 0, frameVirtualUs_ = 0;
    uint64_t loadUs_ = 0, runStartedUs_ = 0;
};

} // namespace app
