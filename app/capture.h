#pragma once
// Writes what the screen shows as PNG pictures, one per 1000 / fps ms of time, so that a
// video can be made of a run. A frame that stays on screen for several periods is written
// several times. The pictures are converted, compressed and written (or fed to the encoder)
// on threads of their own while the next frame is drawn, a few waiting at most: one thread
// per core for files, which may be finished in any order, one for a video, which takes them
// in order.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/process.h"

namespace app {

// The surface's pixels back to 8-bit RGB triples (the low bits a depth dropped stay 0).
void surfaceToRgb(const uint8_t* surface, int depth, int pixelCount, uint8_t* rgb);

// A WAV file (44100 Hz, stereo, 16-bit) of `durationUs`: silence until offsetUs, then the
// decoded soundtrack from skipUs into it. False when it cannot be written.
bool writeSoundtrackWav(const std::string& path, const std::vector<int16_t>& soundtrack,
                        uint64_t offsetUs, uint64_t durationUs, uint64_t skipUs = 0);

// Pictures N times larger, each pixel an N x N square.
void scaleRgb(const uint8_t* rgb, int width, int height, int factor, uint8_t* out);

// The ffmpeg command lines of a video: the pictures as they come, then the sound beside them.
std::vector<std::string> videoEncodeCommand(int width, int height, platform::FrameRate rate,
                                            const std::string& out);
std::vector<std::string> videoMuxCommand(const std::string& pictures, const std::string& wav,
                                         const std::string& out);

struct CaptureSettings {
    std::string dir;   // PNG pictures and soundtrack.wav; may be empty with a video
    std::string video; // an MP4 through ffmpeg; empty for none
    platform::FrameRate rate;
    int scale = 1;
    // Periods that begin this long after the first picture or later are never written.
    uint64_t durationUs = UINT64_MAX;
};

class CaptureWriter {
  public:
    CaptureWriter() = default;
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;
    // Writes what is still waiting, then ends the thread.
    ~CaptureWriter();
    // False, with a line on stderr, when the folder cannot be made or ffmpeg cannot start.
    bool open(const CaptureSettings& settings, int width, int height);
    bool open(const std::string& dir, int fps, int width, int height,
              uint64_t durationUs = UINT64_MAX) {
        return open(CaptureSettings{dir, {}, {static_cast<uint32_t>(fps), 1}, 1, durationUs}, width,
                    height);
    }
    bool active() const { return open_; }
    // A picture could not be written (seen once a thread has come to it); none after it is,
    // once finish() has returned.
    bool failed() const { return failed_.load(); }
    // The picture just presented at time us.
    void onPresent(uint64_t us, const uint8_t* surface, int depth);
    // Writes the periods that begin before time us with the picture on screen; returns once
    // every picture is written.
    void finish(uint64_t us);
    // Pictures handed over, or after a failure those written before it.
    int written() const { return failed_.load() ? failedAt_.load() : queued_; }
    // Time of the first picture, the origin of the capture.
    bool firstPicture(uint64_t& us) const {
        us = firstUs_;
        return started_;
    }
    const std::string& folder() const { return dir_; }
    // Microseconds of pictures written so far.
    uint64_t writtenUs() const { return rate_.periodStartUs(static_cast<uint64_t>(written())); }
    // Where the soundtrack goes: the folder's soundtrack.wav, or beside the video.
    std::string wavPath() const;
    // Ends the video: the pictures' stream closed, the sound added, the file in place. False
    // (with a line on stderr, the unfinished files removed) when ffmpeg failed.
    bool closeVideo();

  private:
    // A picture to write: the surface's bytes as they were shown, the number of its first
    // period and how many periods in a row showed it.
    struct Job {
        std::vector<uint8_t> surface;
        int depth = 32;
        int index = 0, periods = 1;
    };
    static constexpr size_t kMaxPending = 4;

    void writeDue(uint64_t before);
    void queue(int index, int periods);
    void drain();
    void work(size_t writer);
    bool writePicture(const uint8_t* rgb, int index, const std::string& same, std::string& error);
    void failAt(int index, const std::string& error);
    void reportFailure(); // under mutex_ or with the threads stopped

    bool open_ = false;
    std::string dir_;
    std::string video_;
    platform::FrameRate rate_;
    int scale_ = 1;
    std::unique_ptr<platform::PipedProcess> encoder_;
    int width_ = 0, height_ = 0;
    bool started_ = false;
    uint64_t firstUs_ = 0;
    uint64_t durationUs_ = UINT64_MAX;
    int queued_ = 0;
    std::vector<uint8_t> shown_; // the surface's bytes on screen
    int shownDepth_ = 32;

    // Between this side and the threads, under mutex_.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> pending_;
    std::vector<std::vector<uint8_t>> spare_; // buffers back from the threads, used again
    int busy_ = 0;                            // threads with a picture in hand
    size_t writers_ = 1; // threads that take pictures: the first alone for a video
    bool stopping_ = false;
    std::atomic<bool> failed_{false};
    std::atomic<int> failedAt_{0}; // the first picture that failed
    std::string failure_;          // and why, reported once every thread has stopped
    bool reported_ = false;
    std::vector<std::thread> workers_;
};

} // namespace app
