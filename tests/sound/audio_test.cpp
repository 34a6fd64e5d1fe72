#include <gtest/gtest.h>

#include "platform/audio_stream.h"
#include "platform/clock.h"
#include "tests/temp_dir.h"
#include "tests/test_production.h"
#include "tools/writers/image_writers.h"

using testing_files::TestProduction;

TEST(Audio, SilentPositionIsWholeFramesOfTheElapsedTime) {
    EXPECT_EQ(platform::silentPosition(0, 1 << 30), 0u);
    EXPECT_EQ(platform::silentPosition(1000, 1 << 30), 176u); // 44.1 frames: 44 whole ones
    EXPECT_EQ(platform::silentPosition(1'000'000, 1 << 30), 176400u);
    EXPECT_EQ(platform::silentPosition(10'000'000, 1000), 1000u); // capped at the length
}

TEST(Audio, AHeadlessStreamFollowsTheVirtualClockFromPlay) {
    testing_files::TempDir dir("audio_virtual");
    ASSERT_TRUE(writers::writeBytes("t.mp3", TestProduction::tone(2.0)));
    platform::setClock(platform::Clock::virtualClock(30, 5000));
    std::string error;
    auto stream = platform::openMp3Stream("t.mp3", false, error);
    ASSERT_NE(stream, nullptr) << error;
    EXPECT_FALSE(stream->audible());
    platform::clock().advanceMicroseconds(700'000);
    EXPECT_EQ(stream->position(), 0u);
    stream->play();
    platform::clock().advanceMicroseconds(250'000);
    EXPECT_EQ(stream->position(), 44100u); // 11025 frames
    platform::clock().advanceMicroseconds(10'000'000);
    EXPECT_EQ(stream->position(), stream->length());
}

TEST(Audio, DecodesAShortFileToItsLength) {
    testing_files::TempDir dir("audio_decode");
    for (auto [rate, channels] : {std::pair{44100, 2}, std::pair{22050, 1}, std::pair{48000, 2}}) {
        ASSERT_TRUE(writers::writeBytes("t.mp3", TestProduction::tone(1.5, rate, channels)));
        std::vector<int16_t> pcm;
        std::string error;
        ASSERT_TRUE(platform::decodeMp3("t.mp3", pcm, error)) << error;
        // 1.5 s at 44100 Hz stereo, whatever the file's own rate and channels.
        EXPECT_NEAR(static_cast<double>(pcm.size()) / 2, 66150.0, 1200.0) << rate << " Hz";
        auto stream = platform::openMp3Stream("t.mp3", false, error);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(stream->length() % 4, 0u);
        EXPECT_NEAR(static_cast<double>(stream->length()) / 4, static_cast<double>(pcm.size()) / 2,
                    1200.0);
        int peak = 0;
        for (int16_t v : pcm)
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 4000);
    }
}

TEST(Audio, MissingAndUndecodableFilesAreRefused) {
    testing_files::TempDir dir("audio_bad");
    std::string error;
    EXPECT_EQ(platform::openMp3Stream("none.mp3", false, error), nullptr);
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(writers::writeBytes("junk.mp3", writers::Bytes(5000, 0x55)));
    EXPECT_EQ(platform::openMp3Stream("junk.mp3", false, error), nullptr);
}
