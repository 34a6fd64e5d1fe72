#pragma once
// Writes what the screen shows as PNG pictures, one per 1000 / fps ms of time, so that a
// video can be made of a run. A frame that stays on screen for several periods is written
// several times.
#include <cstdint>
#include <string>
#include <vector>

namespace app {

// The surface's pixels back to 8-bit RGB triples (the low bits a depth dropped stay 0).
void surfaceToRgb(const uint8_t* surface, int depth, int pixelCount, uint8_t* rgb);

// A WAV file (44100 Hz, stereo, 16-bit) of `durationUs`: silence until offsetUs, then the
// decoded soundtrack. False when it cannot be written.
bool writeSoundtrackWav(const std::string& path, const std::vector<int16_t>& soundtrack, uint64_t offsetUs,
                        uint64_t durationUs);

class CaptureWriter {
public:
    // False, with a line on stderr, when the folder cannot be made.
    // Periods that begin at endUs or later are never written.
    bool open(const std::string& dir, int fps, int width, int height, uint64_t endUs = UINT64_MAX);
    bool active() const { return !dir_.empty(); }
    // The picture just presented at time us.
    void onPresent(uint64_t us, const uint8_t* surface, int depth);
    // Writes the periods that begin before time us with the picture on screen.
    void finish(uint64_t us);
    int written() const { return written_; }
    // Time of the first picture, the origin of the capture.
    bool firstPicture(uint64_t& us) const {
        us = firstUs_;
        return started_;
    }
    const std::string& folder() const { return dir_; }

private:
    void writeDue(uint64_t before);
    std::string dir_;
    int fps_ = 30;
    int width_ = 0, height_ = 0;
    bool started_ = false;
    uint64_t firstUs_ = 0;
    uint64_t endUs_ = UINT64_MAX;
    int written_ = 0;
    bool failed_ = false;
    std::vector<uint8_t> shown_;
};

} // namespace app
