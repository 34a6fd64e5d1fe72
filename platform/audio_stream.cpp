#include "platform/audio_stream.h"

#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace platform {

namespace {

// An mpg123 handle giving 44100 Hz stereo 16-bit whatever the file holds: other rates are
// resampled and mono doubled by the decoder itself.
struct Decoder {
    mpg123_handle* handle = nullptr;
    // The file, read through a large buffer: the decoder asks for a frame (a few hundred
    // bytes) at a time, and the length scan alone would otherwise make twenty thousand reads.
    std::FILE* file = nullptr;
    std::vector<char> buffer;
    Decoder() = default;
    Decoder(const Decoder&) = delete; // the decoder holds this object's address
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder() {
        if (handle) {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
        if (file) std::fclose(file);
    }
    static mpg123_ssize_t readFrom(void* self, void* out, size_t bytes) {
        std::FILE* f = static_cast<Decoder*>(self)->file;
        const size_t got = std::fread(out, 1, bytes, f);
        return got < bytes && std::ferror(f) ? -1 : static_cast<mpg123_ssize_t>(got);
    }
    static off_t seekIn(void* self, off_t offset, int whence) {
        std::FILE* f = static_cast<Decoder*>(self)->file;
        return fseeko(f, offset, whence) == 0 ? ftello(f) : -1;
    }
    bool open(const std::string& path, std::string& error) {
        static const int initialised = mpg123_init();
        if (initialised != MPG123_OK) return fail("the MP3 decoder cannot start", error);
        int code = 0;
        handle = mpg123_new(nullptr, &code);
        if (!handle) return fail("the MP3 decoder cannot start", error);
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO, 0);
        mpg123_param(handle, MPG123_FORCE_RATE, kAudioRate, 0);
        mpg123_format_none(handle);
        mpg123_format(handle, kAudioRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
        file = std::fopen(path.c_str(), "rb");
        if (!file) return fail("cannot open " + path, error);
        buffer.resize(64 * 1024);
        std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
        if (mpg123_replace_reader_handle(handle, &Decoder::readFrom, &Decoder::seekIn, nullptr) !=
                MPG123_OK ||
            mpg123_open_handle(handle, this) != MPG123_OK)
            return fail("cannot open " + path, error);
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK ||
            rate != static_cast<long>(kAudioRate) || channels != 2 ||
            encoding != MPG123_ENC_SIGNED_16)
            return fail(path + " is not an MP3 stream the decoder can read", error);
        mpg123_format_none(handle);
        mpg123_format(handle, kAudioRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
        return true;
    }
    // Total frames, by scanning the stream without decoding it. `claimed` is what the
    // stream's own header says before the scan (its length from the info frame, when there
    // is one; otherwise an estimate from the file's size).
    uint64_t frames(int64_t& claimed) {
        claimed = mpg123_length(handle);
        mpg123_scan(handle);
        const off_t n = mpg123_length(handle);
        return n > 0 ? static_cast<uint64_t>(n) : 0;
    }
    // Fills up to `bytes`; returns what was decoded, 0 at the end.
    size_t read(uint8_t* out, size_t bytes) {
        size_t done = 0;
        while (done < bytes) {
            size_t got = 0;
            const int r = mpg123_read(handle, out + done, bytes - done, &got);
            done += got;
            if (r == MPG123_NEW_FORMAT) continue;
            if (r != MPG123_OK) break;
            if (got == 0) break;
        }
        return done;
    }
    static bool fail(const std::string& why, std::string& error) {
        error = why;
        return false;
    }
};

class SilentStream : public AudioStream {
  public:
    explicit SilentStream(uint64_t length) : length_(length) {}
    void play() override {
        if (started_) return;
        noteStart();
        originUs_ = startUs_;
    }
    uint64_t position() override {
        const uint64_t now = clock().microseconds();
        return started_ ? silentPosition(now > originUs_ ? now - originUs_ : 0, length_) : 0;
    }
    void playFrom(uint64_t bytes, uint64_t startUs) override {
        started_ = true;
        startUs_ = startUs;
        // The earliest origin whose whole frames reach `bytes` now.
        const uint64_t framesIn = std::min(bytes, length_) / kAudioFrameBytes;
        const uint64_t us = (framesIn * 1'000'000 + kAudioRate - 1) / kAudioRate;
        const uint64_t now = clock().microseconds();
        originUs_ = now > us ? now - us : 0;
    }
    uint64_t length() const override { return length_; }
    bool audible() const override { return false; }

  private:
    uint64_t length_;
    uint64_t originUs_ = 0; // clock time of position 0
};

// Decodes in the device's callback. The position is what the device took before its latest
// callback, plus the time since that callback at the stream's rate, but never past what it
// took in all: the buffer just handed over is still waiting to be heard.
class DeviceStream : public AudioStream {
  public:
    DeviceStream(std::unique_ptr<Decoder> decoder, uint64_t length)
        : decoder_(std::move(decoder)), length_(length) {}
    ~DeviceStream() override {
        if (device_) SDL_CloseAudioDevice(device_);
        if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool openDevice() {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        audioStarted_ = true;
        SDL_AudioSpec want{}, have{};
        want.freq = static_cast<int>(kAudioRate);
        want.format = AUDIO_S16LSB;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &DeviceStream::callback;
        want.userdata = this;
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        return device_ != 0;
    }

    void play() override {
        if (started_) return;
        noteStart();
        SDL_PauseAudioDevice(device_, 0);
    }

    void playFrom(uint64_t bytes, uint64_t startUs) override {
        if (started_) return;
        started_ = true;
        startUs_ = startUs;
        bytes = std::min(bytes, length_) / kAudioFrameBytes * kAudioFrameBytes;
        if (mpg123_seek(decoder_->handle, static_cast<off_t>(bytes / kAudioFrameBytes), SEEK_SET) <
            0)
            bytes = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            base_ = deliveredBefore_ = delivered_ = bytes;
        }
        reported_ = bytes;
        SDL_PauseAudioDevice(device_, 0);
    }

    uint64_t position() override {
        uint64_t before, total, atUs, base;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            before = deliveredBefore_, total = delivered_, atUs = callbackUs_, base = base_;
        }
        if (total == base) return base;
        const uint64_t now = clock().microseconds();
        const uint64_t since = now > atUs ? now - atUs : 0;
        uint64_t p = before + since * kAudioRate / 1'000'000 * kAudioFrameBytes;
        p = std::min({p, total, length_});
        reported_ = std::max(reported_, p);
        return reported_;
    }
    uint64_t length() const override { return length_; }
    bool audible() const override { return true; }

  private:
    static void callback(void* self, Uint8* out, int bytes) {
        static_cast<DeviceStream*>(self)->fill(out, static_cast<size_t>(bytes));
    }
    void fill(uint8_t* out, size_t bytes) {
        const size_t got = finished_ ? 0 : decoder_->read(out, bytes);
        if (got < bytes) {
            std::fill(out + got, out + bytes, uint8_t{0});
            finished_ = true;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        deliveredBefore_ = delivered_;
        delivered_ += got;
        callbackUs_ = clock().microseconds();
    }

    std::unique_ptr<Decoder> decoder_;
    uint64_t length_;
    SDL_AudioDeviceID device_ = 0;
    bool audioStarted_ = false;
    bool finished_ = false; // callback thread only
    std::mutex mutex_;
    uint64_t base_ = 0; // where playback began
    uint64_t deliveredBefore_ = 0, delivered_ = 0, callbackUs_ = 0;
    uint64_t reported_ = 0; // main thread only
};

} // namespace

void AudioStream::noteStart() {
    started_ = true;
    startUs_ = clock().microseconds();
}

uint64_t silentPosition(uint64_t elapsedUs, uint64_t lengthBytes) {
    const uint64_t frames = elapsedUs * kAudioRate / 1'000'000;
    return std::min(frames * kAudioFrameBytes, lengthBytes);
}

std::unique_ptr<AudioStream> openMp3Stream(const std::string& path, bool withDevice,
                                           std::string& error) {
    auto decoder = std::make_unique<Decoder>();
    if (!decoder->open(path, error)) return nullptr;
    int64_t claimed = 0;
    const uint64_t frames = decoder->frames(claimed);
    if (frames == 0) {
        error = path + " holds no audio";
        return nullptr;
    }
    // A file cut short decodes as far as it goes; its info frame still gives the whole length.
    if (claimed > 0 && frames + kAudioRate / 10 < static_cast<uint64_t>(claimed)) {
        error = path + " is cut short: it holds " + std::to_string(frames * 1000 / kAudioRate) +
                " ms of its " + std::to_string(static_cast<uint64_t>(claimed) * 1000 / kAudioRate) +
                " ms";
        return nullptr;
    }
    // A stream starts with its tag or its first frame; anything else is garbled.
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        unsigned char head[3] = {};
        const size_t got = std::fread(head, 1, 3, f);
        std::fclose(f);
        const bool tag = got == 3 && head[0] == 'I' && head[1] == 'D' && head[2] == '3';
        const bool frame = got >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0;
        if (!tag && !frame) {
            error = path + " does not begin with an MP3 tag or frame: garbled";
            return nullptr;
        }
    }
    const uint64_t length = frames * kAudioFrameBytes;
    if (withDevice) {
        if (mpg123_seek(decoder->handle, 0, SEEK_SET) < 0) {
            error = "cannot rewind " + path;
            return nullptr;
        }
        auto device = std::make_unique<DeviceStream>(std::move(decoder), length);
        if (device->openDevice()) return device;
        std::fprintf(stderr, "audio: no device (%s); the soundtrack plays silently\n",
                     SDL_GetError());
    }
    return std::make_unique<SilentStream>(length);
}

bool decodeMp3(const std::string& path, std::vector<int16_t>& samples, std::string& error) {
    Decoder decoder;
    if (!decoder.open(path, error)) return false;
    samples.clear();
    std::vector<uint8_t> chunk(1 << 16);
    for (;;) {
        const size_t got = decoder.read(chunk.data(), chunk.size());
        if (got == 0) break;
        const size_t at = samples.size();
        samples.resize(at + got / 2);
        std::memcpy(samples.data() + at, chunk.data(), got & ~size_t{1});
    }
    return true;
}

} // namespace platform
