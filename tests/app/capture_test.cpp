#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/capture.h"
#include "app/entry.h"
#include "tests/png_read.h"
#include "tests/test_production.h"

namespace fs = std::filesystem;

namespace {

fs::path freshDir(const std::string& name) {
    const fs::path p =
        fs::temp_directory_path() / ("demo_capture_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(p);
    return p;
}

std::vector<char> bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int runHeadless(const fs::path& dir, const std::string& depth, const std::string& frames) {
    const testing_files::TestProduction production("capture");
    const std::string d = dir.string(), data = production.data();
    const char* argv[] = {"demo",        "--headless", "--frames", frames.c_str(),
                          "--capture",   d.c_str(),    "--depth",  depth.c_str(),
                          "--autostart", "200",        "--data",   data.c_str()};
    return app::runEntry(static_cast<int>(std::size(argv)), argv);
}

} // namespace

TEST(Capture, SurfaceToRgbLeavesTheDroppedBitsClear) {
    const uint8_t w15[2] = {0xFF, 0x7F}, w16[2] = {0xFF, 0xFF}, b24[3] = {1, 2, 3};
    uint8_t rgb[3];
    app::surfaceToRgb(w15, 15, 1, rgb);
    EXPECT_EQ(rgb[0], 0xF8);
    EXPECT_EQ(rgb[1], 0xF8);
    EXPECT_EQ(rgb[2], 0xF8);
    app::surfaceToRgb(w16, 16, 1, rgb);
    EXPECT_EQ(rgb[1], 0xFC);
    app::surfaceToRgb(b24, 24, 1, rgb);
    EXPECT_EQ(rgb[0], 3);
    EXPECT_EQ(rgb[2], 1);
}

TEST(Capture, PeriodsRepeatTheFrameOnScreen) {
    const fs::path dir = freshDir("periods");
    app::CaptureWriter w;
    ASSERT_TRUE(w.open(dir.string(), 10, 2, 1)); // one picture per 100 ms
    const uint32_t a[2] = {0x00FF0000, 0}, b[2] = {0x000000FF, 0};
    w.onPresent(1000, reinterpret_cast<const uint8_t*>(a), 32);
    w.onPresent(251000, reinterpret_cast<const uint8_t*>(b), 32); // a stayed for 2.5 periods
    EXPECT_EQ(w.written(), 3); // the periods at 0, 100 and 200 ms showed a
    w.finish(301001);
    EXPECT_EQ(w.written(), 4); // the period at 300 ms shows b
    testing_png::Picture p;
    ASSERT_TRUE(testing_png::readPng((dir / "000002.png").string(), p));
    EXPECT_EQ(p.rgb[0], 0xFF);
    ASSERT_TRUE(testing_png::readPng((dir / "000003.png").string(), p));
    EXPECT_EQ(p.rgb[0], 0);
    EXPECT_EQ(p.rgb[2], 0xFF);
    fs::remove_all(dir);
}

TEST(Capture, HeadlessRunsWriteEveryFrameAtTheChosenDepthAndRepeatExactly) {
    for (const std::string depth : {"15", "16", "24", "32"}) {
        const fs::path first = freshDir("a" + depth), second = freshDir("b" + depth);
        ASSERT_EQ(runHeadless(first, depth, "12"), 0);
        ASSERT_EQ(runHeadless(second, depth, "12"), 0);
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(first))
            if (e.path().extension() == ".png") files.push_back(e.path());
        EXPECT_TRUE(fs::exists(first / "soundtrack.wav"));
        ASSERT_EQ(files.size(), 12u) << depth;
        const int lowR = depth == "24" || depth == "32" ? 0 : 7;
        const int lowG = depth == "16" ? 3 : lowR;
        for (const auto& f : files) {
            testing_png::Picture p;
            ASSERT_TRUE(testing_png::readPng(f.string(), p)) << f;
            ASSERT_EQ(p.width, 512);
            ASSERT_EQ(p.height, 384);
            int orBits[3] = {0, 0, 0};
            for (size_t i = 0; i < p.rgb.size(); i += 3)
                for (int c = 0; c < 3; ++c)
                    orBits[c] |= p.rgb[i + c];
            EXPECT_EQ(orBits[0] & lowR, 0) << f;
            EXPECT_EQ(orBits[1] & lowG, 0) << f;
            EXPECT_EQ(orBits[2] & lowR, 0) << f;
            EXPECT_EQ(bytesOf(f), bytesOf(second / f.filename())) << f;
        }
        fs::remove_all(first);
        fs::remove_all(second);
    }
}

TEST(Capture, ATimedRunWritesOnePicturePerPeriodOfThatTime) {
    const fs::path dir = freshDir("timed");
    const testing_files::TestProduction production("timed");
    const std::string d = dir.string(), data = production.data();
    const char* argv[] = {"demo", "--headless", "--seconds", "1.5",    "--fps",
                          "10",   "--capture",  d.c_str(),   "--data", data.c_str()};
    ASSERT_EQ(app::runEntry(static_cast<int>(std::size(argv)), argv), 0);
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        n += e.path().extension() == ".png";
    EXPECT_EQ(n, 15u);
    // 1.5 s of sound beside the pictures (silent: nothing started the music).
    EXPECT_EQ(fs::file_size(dir / "soundtrack.wav"), 44u + 66150u * 4);
    fs::remove_all(dir);
}

TEST(Capture, TheSoundtrackStartsWhereTheMusicStarted) {
    const fs::path dir = freshDir("wav");
    fs::create_directories(dir);
    std::vector<int16_t> track(2 * 1000, 0);
    for (size_t i = 0; i < track.size(); ++i)
        track[i] = static_cast<int16_t>(i + 1);
    const std::string path = (dir / "s.wav").string();
    // 10 ms of silence (441 frames), then the track, 50 ms in all (2205 frames).
    ASSERT_TRUE(app::writeSoundtrackWav(path, track, 10'000, 50'000));
    const auto bytes = bytesOf(path);
    ASSERT_EQ(bytes.size(), 44u + 2205u * 4);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    auto sample = [&](size_t i) {
        return static_cast<int16_t>(static_cast<uint8_t>(bytes[44 + 2 * i]) |
                                    static_cast<uint8_t>(bytes[45 + 2 * i]) << 8);
    };
    EXPECT_EQ(sample(2 * 440 + 1), 0);
    EXPECT_EQ(sample(2 * 441), 1);
    EXPECT_EQ(sample(2 * 1440 + 1), 2000);
    EXPECT_EQ(sample(2 * 1441), 0); // past the track's end: silence
    fs::remove_all(dir);
}

TEST(Capture, FractionalRatesAndLargerPictures) {
    const fs::path dir = freshDir("ntsc");
    app::CaptureWriter w;
    app::CaptureSettings settings{dir.string(), {}, {60000, 1001}, 3, UINT64_MAX};
    ASSERT_TRUE(w.open(settings, 2, 1));
    const uint32_t a[2] = {0x00102030, 0x00FFFFFF};
    w.onPresent(0, reinterpret_cast<const uint8_t*>(a), 32);
    // Periods begin at 0, 16683, 33366, 50050 us: three before 50050.
    w.finish(50050);
    EXPECT_EQ(w.written(), 3);
    w.finish(50051);
    EXPECT_EQ(w.written(), 4);
    EXPECT_EQ(w.writtenUs(), 66733u);
    testing_png::Picture p;
    ASSERT_TRUE(testing_png::readPng((dir / "000000.png").string(), p));
    ASSERT_EQ(p.width, 6);
    ASSERT_EQ(p.height, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(p.rgb[(y * 6 + x) * 3], x < 3 ? 0x10 : 0xFF) << x << "," << y;
    fs::remove_all(dir);
}

TEST(Capture, ATimedCaptureHoldsItsTimeFromTheFirstPicture) {
    const fs::path dir = freshDir("escape");
    const testing_files::TestProduction production("escape");
    const std::string d = dir.string(), data = production.data();
    const char* argv[] = {"demo",     "--headless", "--fps",     "10",   "--capture", d.c_str(),
                          "--frames", "100000",     "--seconds", "0.75", "--data",    data.c_str()};
    ASSERT_EQ(app::runEntry(static_cast<int>(std::size(argv)), argv), 0);
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        n += e.path().extension() == ".png";
    EXPECT_EQ(n, 8u); // 0.75 s from the first picture at 10 a second: 0 .. 700 ms
    EXPECT_EQ(fs::file_size(dir / "soundtrack.wav"), 44u + 35280u * 4); // as long as the pictures
    fs::remove_all(dir);
}

TEST(Capture, ASoundtrackThatBeganBeforeTheCaptureIsHeardFromWhereItWas) {
    const fs::path dir = freshDir("skip");
    fs::create_directories(dir);
    std::vector<int16_t> track(2 * 2000);
    for (size_t i = 0; i < track.size(); ++i)
        track[i] = static_cast<int16_t>(i / 2 + 1);
    const std::string path = (dir / "s.wav").string();
    // The capture began 10 ms (441 frames) after the music: its first sample is frame 441's.
    ASSERT_TRUE(app::writeSoundtrackWav(path, track, 0, 20'000, 10'000));
    const auto bytes = bytesOf(path);
    ASSERT_EQ(bytes.size(), 44u + 882u * 4);
    auto sample = [&](size_t i) {
        return static_cast<int16_t>(static_cast<uint8_t>(bytes[44 + 2 * i]) |
                                    static_cast<uint8_t>(bytes[45 + 2 * i]) << 8);
    };
    EXPECT_EQ(sample(0), 442);
    EXPECT_EQ(sample(2 * 881 + 1), 442 + 881);
    fs::remove_all(dir);
}

TEST(Capture, AVideoWithoutFfmpegIsRefusedWithAClearMessage) {
    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "";
    ::setenv("PATH", "/nonexistent", 1);
    app::CaptureWriter w;
    testing::internal::CaptureStderr();
    const bool opened =
        w.open(app::CaptureSettings{{}, "/tmp/never.mp4", {30, 1}, 1, UINT64_MAX}, 4, 4);
    const std::string said = testing::internal::GetCapturedStderr();
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_FALSE(opened);
    EXPECT_NE(said.find("needs ffmpeg"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists("/tmp/never.mp4"));
}

TEST(Capture, PicturesHandedOverFasterThanWrittenAreAllWrittenInOrder) {
    const fs::path dir = freshDir("queue");
    app::CaptureWriter w;
    ASSERT_TRUE(w.open(dir.string(), 100, 3, 2)); // one picture per 10 ms
    // Frame f shows colour f in its first pixel, each one period but frame 7, which stays for
    // 12 (its pictures after the first are copies of it).
    std::vector<uint32_t> shownIn; // the first pixel in each period
    uint64_t t = 0;
    for (uint32_t f = 0; f < 30; ++f) {
        uint32_t pixels[6] = {f * 0x010203u, 0, 0, 0, 0, 0xFFFFFFu - f * 0x010203u};
        w.onPresent(t, reinterpret_cast<const uint8_t*>(pixels), 32);
        std::fill(std::begin(pixels), std::end(pixels), 0); // the writer keeps its own copy
        const int periods = f == 7 ? 12 : 1;
        shownIn.insert(shownIn.end(), static_cast<size_t>(periods), f * 0x010203u);
        t += static_cast<uint64_t>(periods) * 10'000;
    }
    w.finish(t);
    EXPECT_FALSE(w.failed());
    ASSERT_EQ(w.written(), static_cast<int>(shownIn.size()));
    for (size_t i = 0; i < shownIn.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%06d.png", static_cast<int>(i));
        testing_png::Picture p;
        ASSERT_TRUE(testing_png::readPng((dir / name).string(), p)) << name;
        const uint32_t first = static_cast<uint32_t>(p.rgb[0] << 16 | p.rgb[1] << 8 | p.rgb[2]),
                       last = static_cast<uint32_t>(p.rgb[15] << 16 | p.rgb[16] << 8 | p.rgb[17]);
        EXPECT_EQ(first, shownIn[i]) << name;
        EXPECT_EQ(last, 0xFFFFFFu - shownIn[i]) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "000041.png"));
    fs::remove_all(dir);
}

TEST(Capture, APictureThatCannotBeWrittenIsReportedOnceAndNoneAfterIt) {
    const fs::path dir = freshDir("gone");
    app::CaptureWriter w;
    ASSERT_TRUE(w.open(dir.string(), 10, 2, 1));
    const uint32_t a[2] = {0x00FF0000, 0};
    w.onPresent(0, reinterpret_cast<const uint8_t*>(a), 32);
    w.finish(250'000); // the periods at 0, 100 and 200 ms
    ASSERT_EQ(w.written(), 3);
    fs::remove_all(dir); // the folder is gone: the next picture has nowhere to go
    testing::internal::CaptureStderr();
    w.onPresent(350'000, reinterpret_cast<const uint8_t*>(a), 32);
    w.finish(1'000'000);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(w.failed());
    EXPECT_EQ(w.written(), 3);
    EXPECT_EQ(w.writtenUs(), 300'000u);
    EXPECT_EQ(said, "capture: cannot write " + dir.string() + "/000003.png\n");
    fs::create_directories(dir);
    w.onPresent(1'100'000, reinterpret_cast<const uint8_t*>(a), 32);
    w.finish(2'000'000);
    EXPECT_TRUE(fs::is_empty(dir)); // nothing more once a picture failed
    fs::remove_all(dir);
}

TEST(Capture, PicturesAfterOneThatFailsAreNotLeftBehindByOtherThreads) {
    const fs::path dir = freshDir("middle");
    fs::create_directories(dir / "000003.png"); // this picture cannot be written; the rest can
    app::CaptureWriter w;
    constexpr int kSide = 256;
    ASSERT_TRUE(w.open(dir.string(), 10, kSide, kSide));
    // Noise, slow to compress, for periods 0 to 5 (3 fails among its copies); black, quick,
    // for 6 and 7, which another thread may well have written by the time 3 fails.
    std::vector<uint32_t> noise(kSide * kSide), black(kSide * kSide, 0);
    uint32_t seed = 12345;
    for (uint32_t& p : noise)
        p = (seed = seed * 1664525u + 1013904223u) >> 8;
    testing::internal::CaptureStderr();
    w.onPresent(0, reinterpret_cast<const uint8_t*>(noise.data()), 32);
    w.onPresent(600'000, reinterpret_cast<const uint8_t*>(black.data()), 32);
    w.onPresent(700'000, reinterpret_cast<const uint8_t*>(black.data()), 32);
    w.finish(800'000);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(w.failed());
    EXPECT_EQ(w.written(), 3);
    EXPECT_EQ(said, "capture: cannot write " + dir.string() + "/000003.png\n");
    for (int i = 0; i < 8; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%06d.png", i);
        EXPECT_EQ(fs::is_regular_file(dir / name), i < 3) << name;
    }
    fs::remove_all(dir);
}
