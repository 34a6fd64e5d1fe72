#include "app/capture.h"

#include "picture/png_writer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace app {

void surfaceToRgb(const uint8_t* s, int depth, int pixelCount, uint8_t* rgb) {
    for (int i = 0; i < pixelCount; ++i, rgb += 3) {
        switch (depth) {
        case 15: {
            const unsigned v = s[2 * i] | (s[2 * i + 1] << 8);
            rgb[0] = static_cast<uint8_t>(((v >> 10) & 31) << 3);
            rgb[1] = static_cast<uint8_t>(((v >> 5) & 31) << 3);
            rgb[2] = static_cast<uint8_t>((v & 31) << 3);
            break;
        }
        case 16: {
            const unsigned v = s[2 * i] | (s[2 * i + 1] << 8);
            rgb[0] = static_cast<uint8_t>(((v >> 11) & 31) << 3);
            rgb[1] = static_cast<uint8_t>(((v >> 5) & 63) << 2);
            rgb[2] = static_cast<uint8_t>((v & 31) << 3);
            break;
        }
        case 24:
            rgb[0] = s[3 * i + 2], rgb[1] = s[3 * i + 1], rgb[2] = s[3 * i];
            break;
        default:
            rgb[0] = s[4 * i + 2], rgb[1] = s[4 * i + 1], rgb[2] = s[4 * i];
            break;
        }
    }
}

bool writeSoundtrackWav(const std::string& path, const std::vector<int16_t>& soundtrack,
                        uint64_t offsetUs, uint64_t durationUs, uint64_t skipUs) {
    const uint64_t frames = durationUs * 44100 / 1'000'000,
                   silent = std::min(frames, offsetUs * 44100 / 1'000'000);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    auto put = [&](const void* p, size_t n) { return std::fwrite(p, 1, n, f) == n; };
    auto put32 = [&](uint32_t v) { return put(&v, 4); };
    auto put16 = [&](uint16_t v) { return put(&v, 2); };
    const uint32_t dataBytes = static_cast<uint32_t>(std::min<uint64_t>(frames * 4, 0xFFFFFF00u));
    bool ok = put("RIFF", 4) && put32(36 + dataBytes) && put("WAVEfmt ", 8) && put32(16) &&
              put16(1) && put16(2) && put32(44100) && put32(176400) && put16(4) && put16(16) &&
              put("data", 4) && put32(dataBytes);
    const std::vector<int16_t> zeros(8192, 0);
    uint64_t left = dataBytes / 4, fromTrack = skipUs * 44100 / 1'000'000;
    for (uint64_t i = 0; ok && i < silent && left > 0;) {
        const uint64_t n = std::min<uint64_t>({zeros.size() / 2, silent - i, left});
        ok = put(zeros.data(), n * 4), i += n, left -= n;
    }
    while (ok && left > 0) {
        const uint64_t available =
            soundtrack.size() / 2 > fromTrack ? soundtrack.size() / 2 - fromTrack : 0;
        const uint64_t n = std::min<uint64_t>(left, available ? std::min<uint64_t>(available, 8192)
                                                              : zeros.size() / 2);
        ok = available ? put(soundtrack.data() + fromTrack * 2, n * 4) : put(zeros.data(), n * 4);
        fromTrack += available ? n : 0, left -= n;
    }
    return std::fclose(f) == 0 && ok;
}

void scaleRgb(const uint8_t* rgb, int width, int height, int factor, uint8_t* out) {
    const size_t outRow = static_cast<size_t>(width) * factor * 3;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = out + static_cast<size_t>(y) * factor * outRow;
        const uint8_t* in = rgb + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < factor; ++k)
                std::memcpy(row + (static_cast<size_t>(x) * factor + k) * 3, in + x * 3, 3);
        for (int k = 1; k < factor; ++k)
            std::memcpy(row + k * outRow, row, outRow);
    }
}

std::vector<std::string> videoEncodeCommand(int width, int height, platform::FrameRate rate,
                                            const std::string& out) {
    const std::string r = std::to_string(rate.num) + "/" + std::to_string(rate.den);
    return {"ffmpeg",
            "-hide_banner",
            "-loglevel",
            "error",
            "-y",
            "-f",
            "rawvideo",
            "-pix_fmt",
            "rgb24",
            "-s",
            std::to_string(width) + "x" + std::to_string(height),
            "-framerate",
            r,
            "-i",
            "-",
            "-c:v",
            "libx264",
            "-preset",
            "veryfast",
            "-crf",
            "16",
            "-pix_fmt",
            "yuv420p",
            "-r",
            r,
            "-f",
            "mp4",
            out};
}

std::vector<std::string> videoMuxCommand(const std::string& pictures, const std::string& wav,
                                         const std::string& out) {
    return {"ffmpeg",     "-hide_banner", "-loglevel", "error", "-nostdin", "-y",   "-i",
            pictures,     "-i",           wav,         "-map",  "0:v",      "-map", "1:a",
            "-c:v",       "copy",         "-c:a",      "aac",   "-b:a",     "192k", "-movflags",
            "+faststart", "-f",           "mp4",       out};
}

bool CaptureWriter::open(const CaptureSettings& settings, int width, int height) {
    drain();
    if (!settings.dir.empty() && ::mkdir(settings.dir.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "capture: cannot make %s: %s\n", settings.dir.c_str(),
                     std::strerror(errno));
        return false;
    }
    dir_ = settings.dir;
    video_ = settings.video;
    rate_ = settings.rate.num && settings.rate.den ? settings.rate : platform::FrameRate{};
    scale_ = std::clamp(settings.scale, 1, 8);
    width_ = width, height_ = height;
    durationUs_ = settings.durationUs;
    shown_.assign(static_cast<size_t>(width) * height * 4, 0);
    shownDepth_ = 32;
    if (!video_.empty()) {
        if (!platform::programInstalled("ffmpeg")) {
            std::fprintf(
                stderr,
                "capture: --video needs ffmpeg, which is not installed (apt-get install ffmpeg); "
                "--capture DIR writes the pictures and soundtrack.wav instead\n");
            return false;
        }
        encoder_ = std::make_unique<platform::PipedProcess>();
        if (!encoder_->start(videoEncodeCommand(width * scale_, height * scale_, rate_,
                                                video_ + ".pictures.part"))) {
            std::fprintf(stderr, "capture: cannot start ffmpeg\n");
            return false;
        }
    }
    // Compression takes far longer than drawing: every core but a little of one is free.
    const size_t cores = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    const size_t writers = encoder_ ? 1 : cores;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        writers_ = writers;
    }
    while (workers_.size() < writers)
        workers_.emplace_back(&CaptureWriter::work, this, workers_.size());
    open_ = true;
    return true;
}

CaptureWriter::~CaptureWriter() {
    if (workers_.empty()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_)
        t.join();
    reportFailure();
}

std::string CaptureWriter::wavPath() const {
    return dir_.empty() ? video_ + ".wav.part" : dir_ + "/soundtrack.wav";
}

namespace {
// Picture `index`'s path within the capture folder.
std::string pictureFile(const std::string& dir, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "/%06d.png", index);
    return dir + name;
}
} // namespace

// `same`, when not empty, is a file already written of this very picture: its bytes are
// copied rather than compressed again. False with the reason in `error`.
bool CaptureWriter::writePicture(const uint8_t* rgb, int index, const std::string& same,
                                 std::string& error) {
    const int w = width_ * scale_, h = height_ * scale_;
    if (!dir_.empty()) {
        const std::string file = pictureFile(dir_, index);
        std::error_code copyError;
        const bool ok =
            same.empty()
                ? picture::writePng(file, rgb, w, h)
                : std::filesystem::copy_file(
                      same, file, std::filesystem::copy_options::overwrite_existing, copyError);
        if (!ok) {
            error = "capture: cannot write " + file;
            return false;
        }
    }
    if (encoder_ && !encoder_->write(rgb, static_cast<size_t>(w) * h * 3)) {
        error = "capture: ffmpeg stopped taking pictures";
        return false;
    }
    return true;
}

// Threads may fail out of order: the first picture in order that failed is the one kept.
void CaptureWriter::failAt(int index, const std::string& error) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!failed_.load() || index < failedAt_.load()) {
        failedAt_.store(index);
        failure_ = error;
    }
    failed_.store(true);
}

void CaptureWriter::reportFailure() {
    if (!failed_.load() || reported_) return;
    std::fprintf(stderr, "%s\n", failure_.c_str());
    reported_ = true;
}

void CaptureWriter::writeDue(uint64_t before) {
    // Period k begins at firstUs + k * den / num s; the picture on screen then is written.
    int periods = 0;
    for (;; ++periods) {
        const uint64_t due =
            firstUs_ + rate_.periodStartUs(static_cast<uint64_t>(queued_ + periods));
        if (due >= before || due - firstUs_ >= durationUs_) break;
    }
    if (periods == 0 || failed_) return;
    queue(queued_, periods);
    queued_ += periods;
}

// Hands the picture on screen to the thread for `periods` periods from `index`, once fewer
// than kMaxPending wait, so that memory stays bounded when pictures come faster than they
// are written.
void CaptureWriter::queue(int index, int periods) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pending_.size() < kMaxPending; });
    std::vector<uint8_t> copy;
    if (!spare_.empty()) {
        copy = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    copy.assign(shown_.begin(), shown_.end());
    lock.lock();
    pending_.push_back({std::move(copy), shownDepth_, index, periods});
    changed_.notify_all();
}

// Waits for every picture handed over. After a failure, the pictures after the failed one
// that threads still had in hand when it came are removed, so that none after it is left.
void CaptureWriter::drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pending_.empty() && busy_ == 0; });
    reportFailure();
    if (!failed_.load() || dir_.empty()) return;
    for (int i = failedAt_.load() + 1; i < queued_; ++i) {
        std::error_code ignored;
        std::filesystem::remove(pictureFile(dir_, i), ignored);
    }
}

// A thread: the picture at the front of the queue each time, until asked to stop with none
// left. After a failure the pictures after it are dropped, as none after a failed picture is
// written.
void CaptureWriter::work(size_t writer) {
    std::vector<uint8_t> rgb, scaled;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return (!pending_.empty() && writer < writers_) || stopping_; });
        if (pending_.empty() || writer >= writers_) return; // stopping, nothing left for it
        Job job = std::move(pending_.front());
        pending_.pop_front();
        ++busy_;
        changed_.notify_all();
        lock.unlock();
        if (!failed_.load() || job.index < failedAt_.load()) {
            const int pixels = width_ * height_;
            rgb.resize(static_cast<size_t>(pixels) * 3);
            surfaceToRgb(job.surface.data(), job.depth, pixels, rgb.data());
            if (scale_ > 1) {
                scaled.resize(rgb.size() * scale_ * scale_);
                scaleRgb(rgb.data(), width_, height_, scale_, scaled.data());
            }
            const std::string first = dir_.empty() ? std::string() : pictureFile(dir_, job.index);
            for (int k = 0; k < job.periods; ++k) {
                const std::string same = k > 0 ? first : std::string();
                std::string error;
                if (!writePicture(scale_ > 1 ? scaled.data() : rgb.data(), job.index + k, same,
                                  error)) {
                    failAt(job.index + k, error);
                    break;
                }
            }
        }
        lock.lock();
        spare_.push_back(std::move(job.surface));
        --busy_;
        changed_.notify_all();
    }
}

bool CaptureWriter::closeVideo() {
    drain();
    if (!encoder_) return true;
    const std::string pictures = video_ + ".pictures.part", wav = wavPath(),
                      part = video_ + ".part";
    const int encoded = encoder_->finish();
    encoder_.reset();
    bool ok = !failed_.load() && encoded == 0 && written() > 0;
    if (ok) ok = platform::runProgram(videoMuxCommand(pictures, wav, part)) == 0;
    if (ok) ok = std::rename(part.c_str(), video_.c_str()) == 0;
    std::remove(pictures.c_str());
    std::remove(part.c_str());
    if (dir_.empty()) std::remove(wav.c_str());
    if (!ok) std::fprintf(stderr, "capture: the video %s could not be made\n", video_.c_str());
    return ok;
}

void CaptureWriter::onPresent(uint64_t us, const uint8_t* surface, int depth) {
    if (!active() || !surface) return;
    if (!started_) {
        started_ = true;
        firstUs_ = us;
    } else {
        writeDue(us);
    }
    // The bytes as they are: the thread converts the copies it is given.
    const int bytes = depth == 15 || depth == 16 ? 2 : depth == 24 ? 3 : 4;
    shown_.assign(surface, surface + static_cast<size_t>(width_) * height_ * bytes);
    shownDepth_ = depth;
}

void CaptureWriter::finish(uint64_t us) {
    if (!active() || !started_) return;
    writeDue(us);
    drain();
}

} // namespace app
