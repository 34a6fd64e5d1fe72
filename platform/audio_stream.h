#pragma once
// The soundtrack: an MP3 file decoded to 44100 Hz stereo 16-bit and played once. Its
// position is counted in bytes of decoded audio (176400 a second) as the listener hears them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

constexpr uint32_t kAudioRate = 44100;
constexpr uint32_t kAudioFrameBytes = 4; // two 16-bit channels

class AudioStream {
  public:
    virtual ~AudioStream() = default;
    // Starts playback; the second and later calls do nothing.
    virtual void play() = 0;
    // Bytes of decoded audio heard so far: 0 before play, never decreasing, at most the
    // stream's length.
    virtual uint64_t position() = 0;
    // Bytes of decoded audio in the whole stream.
    virtual uint64_t length() const = 0;
    // True when the stream is heard through a device, false when it plays silently.
    virtual bool audible() const = 0;
    // Plays from `bytes` on from now, as if play() had been called at clock time startUs
    // (what startedAt reports).
    virtual void playFrom(uint64_t bytes, uint64_t startUs) = 0;
    // Clock microseconds at which play() was first called; false before it was.
    bool startedAt(uint64_t& us) const {
        us = startUs_;
        return started_;
    }

  protected:
    void noteStart();
    bool started_ = false;
    uint64_t startUs_ = 0;
};

// Opens an MP3 file. Where no audio device opens (or with withDevice false), the stream plays
// silently and its position follows the platform clock from the moment play() was called.
// Null, with the reason in `error`, when the file is missing or cannot be decoded.
std::unique_ptr<AudioStream> openMp3Stream(const std::string& path, bool withDevice,
                                           std::string& error);

// The whole file decoded to interleaved 16-bit stereo at 44100 Hz; false when it cannot be.
bool decodeMp3(const std::string& path, std::vector<int16_t>& samples, std::string& error);

// Position of a silent stream: whole frames of the elapsed microseconds, 176.4 bytes a
// millisecond, capped at the length.
uint64_t silentPosition(uint64_t elapsedUs, uint64_t lengthBytes);

} // namespace platform
