// The generated production's timeline: the sync files read with the production's own reader,
// the hand-overs simulated with its own update, and the soundtrack decoded with its player.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "picture/file_bytes.h"
#include "platform/audio_stream.h"
#include "sound/demo_context.h"
#include "tests/set_position_stream.h"

#ifndef PRODUCTION_DIR
#error "the tests need the generated production folder"
#endif

using namespace sound;

namespace {

const std::string kData = std::string(PRODUCTION_DIR) + "/data/";

double seconds(uint32_t time) {
    return time / 176400.0;
}

SyncTable readTable(const std::string& name, int32_t& entries) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(picture::readFileBytes(kData + name, bytes)) << name;
    SyncTable t;
    const SyncParse r = parseSyncFile(bytes.data(), bytes.size(), t, entries);
    EXPECT_TRUE(r.ok) << name << ": " << r.problem;
    return t;
}

} // namespace

TEST(GeneratedTimeline, EveryFileKeepsTheRules) {
    const std::map<std::string, std::vector<int>> equalityValues = {{"other/s0", {148, 255}},
                                                                    {"other/s3", {235, 255}},
                                                                    {"other/s4", {241}},
                                                                    {"other/s7", {255, 200}}};
    for (const auto& [name, compared] : equalityValues) {
        int32_t entries = 0;
        const SyncTable t = readTable(name, entries);
        ASSERT_GE(entries, 1) << name;
        const SyncEntry& e = t.entries[0];
        for (int c = 0; c < e.channelCount; ++c)
            for (int k = 0; k < e.eventCounts[c]; ++k) {
                const SyncEvent& ev = e.events[c][k];
                if (k > 0) {
                    EXPECT_GE(seconds(ev.time) - seconds(e.events[c][k - 1].time), 0.2 - 1e-9)
                        << name << " " << c << " " << k;
                }
                for (int v : compared) {
                    if (ev.value == v) {
                        EXPECT_GE(ev.duration, 1) << name << " channel " << c << " event " << k;
                    }
                }
            }
    }
}

TEST(GeneratedTimeline, ChannelsArePlacedWhereThePartsNeedThem) {
    int32_t n = 0;
    auto events = [&](const SyncTable& t, int c) {
        std::vector<SyncEvent> v(t.entries[0].events[c].begin(),
                                 t.entries[0].events[c].begin() + t.entries[0].eventCounts[c]);
        return v;
    };
    auto inside = [](const std::vector<SyncEvent>& v, double from, double to) {
        int k = 0;
        for (const auto& e : v)
            k += seconds(e.time) >= from && seconds(e.time) < to;
        return k;
    };
    const SyncTable s0 = readTable("other/s0", n), s3 = readTable("other/s3", n),
                    s4 = readTable("other/s4", n), s7 = readTable("other/s7", n);
    const auto beat = events(s0, 1);
    ASSERT_FALSE(beat.empty());
    EXPECT_GT(seconds(beat.front().time), 4.0);
    EXPECT_EQ(inside(beat, 45, 55), 0);
    const auto sparks = events(s0, 3);
    ASSERT_GE(sparks.size(), 19u);
    for (int k = 2; k <= 18; ++k)
        EXPECT_TRUE(seconds(sparks[k].time) > 55 && seconds(sparks[k].time) < 84) << k;
    const auto ghost = events(s0, 4);
    EXPECT_GE(ghost.size(), 3u);
    EXPECT_LE(ghost.size(), 6u);
    EXPECT_EQ(inside(ghost, 55, 84), static_cast<int>(ghost.size()));
    // Every box lit from the camera shows only while the bouncing light flies, its first 2 s.
    ASSERT_EQ(events(s0, 2).size(), 1u);
    EXPECT_GT(seconds(events(s0, 2)[0].time), 0.0);
    EXPECT_LT(seconds(events(s0, 2)[0].time), 2.0);

    const auto kicks = events(s3, 0);
    EXPECT_GE(inside(kicks, 84, 114), 5);
    for (const auto& e : kicks)
        EXPECT_LE(e.value, 235);
    ASSERT_GE(events(s3, 1).size(), 21u);

    const auto zoom = events(s4, 0);
    ASSERT_GE(zoom.size(), 9u);
    for (const auto& e : zoom)
        EXPECT_TRUE(e.value >= 60 && e.value <= 120);
    EXPECT_GT(inside(events(s4, 1), 0, seconds(zoom[6].time)), 75);

    EXPECT_GE(events(s7, 0).size(), 6u);
    const auto fade = events(s7, 2);
    ASSERT_EQ(fade.size(), 2u);
    EXPECT_GE(seconds(fade[1].time) - seconds(fade[0].time), 5.0);
}

TEST(GeneratedTimeline, TheHandOversGiveEachPartItsLength) {
    DemoContext ctx;
    auto stream = std::make_unique<testing_files::SetPositionStream>();
    testing_files::SetPositionStream* position = stream.get();
    ctx.stream = std::move(stream);
    allocateSyncTable(ctx);
    readSyncFile(ctx, kData + "other/s0");
    resetSyncCursors(ctx, 0); // the music starts at 0
    const double frameTimes[9] = {0, 0.0435, 0.029, 0.016, 0.025, 0.026, 0.025, 0.033, 0.028};
    std::vector<double> began(10, -1);
    int part = 1;
    began[1] = 0;
    int32_t out[5];
    bool first = true;
    auto cursor = [&](int c) { return ctx.syncTable->entries[0].cursors[c]; };
    auto take = [&](const char* file, bool allocate) {
        if (allocate) allocateSyncTable(ctx);
        readSyncFile(ctx, kData + file);
        resetSyncCursors(ctx, 0);
    };
    for (double t = 0; t < 300 && part < 8; t += frameTimes[part]) {
        position->at = static_cast<uint64_t>(t * 44100) * 4;
        bool ends = false;
        switch (part) {
        case 1:
            updateSync(ctx, out, 0), ends = t > 54.999;
            break;
        case 2:
            updateSync(ctx, out, 0), ends = t > 83.999;
            break;
        case 3:
            updateSync(ctx, out, 0);
            if (first) take("other/s3", false);
            ends = cursor(1) >= 20;
            break;
        case 4:
            if (first) take("other/s4", true);
            updateSync(ctx, out, 0), ends = cursor(0) >= 3;
            break;
        case 5:
            updateSync(ctx, out, 0);
            if (first) take("other/s4", true);
            ends = cursor(0) >= 7;
            break;
        case 6:
            updateSync(ctx, out, 0);
            if (cursor(0) == -1) {
                ends = true;
                break;
            }
            if (first) take("other/s4", true);
            break;
        case 7:
            if (first) take("other/s7", true);
            updateSync(ctx, out, 0), ends = cursor(0) == 5;
            break;
        }
        first = false;
        if (ends) {
            ++part, first = true;
            began[part] = t + frameTimes[part - 1];
        }
    }
    ASSERT_EQ(part, 8) << "the production stops in part " << part;
    const double expected[9] = {0, 0, 55, 84, 114, 139, 174, 204, 244};
    for (int p = 2; p <= 8; ++p)
        EXPECT_NEAR(began[p], expected[p], 5.0) << "part " << p << " begins";
}

TEST(GeneratedTimeline, TheSoundtrackPlaysFourAndAHalfMinutesWithoutGaps) {
    std::vector<int16_t> pcm;
    std::string error;
    ASSERT_TRUE(platform::decodeMp3(std::string(PRODUCTION_DIR) + "/vantrel.mp3", pcm, error))
        << error;
    const double length = pcm.size() / 2 / 44100.0;
    EXPECT_GT(length, 260.0);
    EXPECT_LT(length, 290.0);
    int peak = 0;
    for (int16_t v : pcm)
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_LT(peak, 32767);
    // No second-long stretch of silence before the last three seconds.
    const size_t window = 44100 / 10;
    int quiet = 0;
    for (size_t w = 0; (w + 1) * window * 2 <= pcm.size() - 3 * 44100 * 2; ++w) {
        int loud = 0;
        for (size_t i = w * window * 2; i < (w + 1) * window * 2; ++i)
            loud = std::max(loud, std::abs(static_cast<int>(pcm[i])));
        quiet = loud < 100 ? quiet + 1 : 0;
        ASSERT_LT(quiet, 10) << "silence at " << w / 10.0 << " s";
    }
}
