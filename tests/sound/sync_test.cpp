#include <gtest/gtest.h>

#include "platform/clock.h"
#include "sound/demo_context.h"
#include "tests/set_position_stream.h"
#include "tests/temp_dir.h"
#include "tools/writers/image_writers.h"
#include "tools/writers/sync_writer.h"

using namespace sound;
using writers::SyncChannels;

namespace {

struct Sync {
    explicit Sync(const std::vector<SyncChannels>& entries) {
        auto s = std::make_unique<testing_files::SetPositionStream>();
        stream = s.get();
        context.stream = std::move(s);
        allocateSyncTable(context);
        const auto bytes = writers::encodeSyncFile(entries);
        EXPECT_TRUE(
            parseSyncFile(bytes.data(), bytes.size(), *context.syncTable, context.entryCount).ok);
    }
    std::array<int32_t, 5> update(uint32_t position) {
        stream->at = position;
        std::array<int32_t, 5> out{};
        updateSync(context, out.data(), 0);
        return out;
    }
    int cursor(int c) const {
        return context.syncTable->entries[0].cursors[static_cast<size_t>(c)];
    }

    DemoContext context;
    testing_files::SetPositionStream* stream;
};

} // namespace

TEST(Sync, DecayOverItsDurationAndHeldValues) {
    Sync s({{{{100, 200, 4}}, {{100, 100, 0}, {900, 30, 0}}}});
    resetSyncCursors(s.context, 0);
    const int want[] = {200, 150, 100, 50, 0, 0};
    for (int expect : want)
        EXPECT_EQ(s.update(200)[0], expect);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(s.update(500)[1], 100); // duration 0 holds
    EXPECT_EQ(s.update(901)[1], 30);
}

TEST(Sync, EventsAtTheResetAndUpdatePositions) {
    Sync s({{{{0, 255, 1}, {400, 241, 1}, {800, 235, 1}}}});
    resetSyncCursors(s.context, 0); // position 0: the event at 0 counts as passed
    EXPECT_EQ(s.cursor(0), 1);
    EXPECT_EQ(s.update(400)[0], 0); // an event at the position does not fire yet
    EXPECT_EQ(s.cursor(0), 1);
    EXPECT_EQ(s.update(404)[0], 241);
    // A reset at an event's own time passes it too.
    s.context.position = 800;
    resetSyncCursors(s.context, 0);
    EXPECT_EQ(s.cursor(0), -1);
}

TEST(Sync, OverdueEventsFireOnePerUpdateAndCursorsRunOut) {
    Sync s({{{{10, 50, 0}, {20, 60, 0}}, {}}});
    resetSyncCursors(s.context, 0);
    EXPECT_EQ(s.update(1000)[0], 50);
    EXPECT_EQ(s.cursor(0), 1);
    EXPECT_EQ(s.update(1000)[0], 60);
    EXPECT_EQ(s.cursor(0), -1);
    EXPECT_EQ(s.update(5000)[0], 60);
    EXPECT_EQ(s.cursor(0), -1);
    EXPECT_EQ(s.cursor(1), -1); // the empty channel
    EXPECT_EQ(s.update(5000)[1], 0);
}

TEST(Sync, EnvelopesOutliveTheirFileAndPartThreeReadsIntoTheCurrentTable) {
    testing_files::TempDir dir("sync_files");
    Sync s({{{{10, 200, 4}}, {{10, 7, 0}}, {{10, 9, 0}}}, {{{5, 1, 1}}}});
    resetSyncCursors(s.context, 0);
    EXPECT_EQ(s.update(100)[0], 200);
    // A new table mid-decay: the decay goes on.
    ASSERT_TRUE(writers::writeBytes("s4", writers::encodeSyncFile({{{}}})));
    allocateSyncTable(s.context);
    readSyncFile(s.context, "s4");
    resetSyncCursors(s.context, 0);
    EXPECT_EQ(s.update(100)[0], 150);

    // Read into the current table: channels and entries the file leaves out keep theirs.
    Sync t({{{{10, 200, 4}}, {{20, 7, 0}}, {{30, 9, 0}}}, {{{5, 1, 1}}}});
    ASSERT_TRUE(writers::writeBytes("s3", writers::encodeSyncFile({{{{99, 235, 2}}}})));
    readSyncFile(t.context, "s3");
    EXPECT_EQ(t.context.entryCount, 1);
    const SyncEntry& e = t.context.syncTable->entries[0];
    EXPECT_EQ(e.channelCount, 1);
    EXPECT_EQ(e.eventCounts[0], 1);
    EXPECT_EQ(e.events[0][0].value, 235);
    EXPECT_EQ(e.eventCounts[1], 1);
    EXPECT_EQ(e.events[1][0].time, 20u);
    EXPECT_EQ(t.context.syncTable->entries[1].events[0][0].value, 1);
}

TEST(Sync, TheReaderRefusesWhatItCannotHold) {
    SyncTable table;
    int32_t count = 0;
    auto parse = [&](const std::vector<uint8_t>& b) {
        return parseSyncFile(b.data(), b.size(), table, count);
    };
    EXPECT_TRUE(parse(writers::encodeSyncFile({{{{1, 2, 3}}}})).ok);
    auto bytes = writers::encodeSyncFile({{{{1, 2, 3}, {4, 5, 6}}}});
    bytes.resize(bytes.size() - 1);
    EXPECT_EQ(parse(bytes).problem, "the file is shorter than its counts say");
    EXPECT_EQ(parse(writers::encodeSyncFile(std::vector<SyncChannels>(101))).problem,
              "more than 100 entries");
    EXPECT_EQ(parse(writers::encodeSyncFile({SyncChannels(6)})).problem,
              "more than 5 channels in an entry");
    EXPECT_EQ(parse(writers::encodeSyncFile({{std::vector<SyncEvent>(201)}})).problem,
              "more than 200 events in a channel");
    EXPECT_EQ(parse({0xFF, 0xFF, 0xFF, 0xFF}).problem, "negative entry count");
    EXPECT_EQ(parse({}).problem, "the file is shorter than its counts say");
    // Bytes past what the counts cover, and a channel out of time order (its cursor would
    // pass the earlier event by).
    auto longer = writers::encodeSyncFile({{{{1, 2, 3}}}});
    longer.push_back(0);
    EXPECT_EQ(parse(longer).problem, "the file is longer than its counts say");
    EXPECT_EQ(parse(writers::encodeSyncFile({{{}, {{5, 1, 1}, {5, 1, 1}, {4, 1, 1}}}})).problem,
              "entry 0, channel 1: event 2 is earlier than the one before it");
    // Values and durations keep their low bytes.
    std::vector<uint8_t> raw = {1, 0, 0, 0, 1,    0,    0, 0, 1,    0,    0, 0,
                                8, 0, 0, 0, 0x2C, 0x01, 0, 0, 0x05, 0x01, 0, 0};
    ASSERT_TRUE(parse(raw).ok);
    EXPECT_EQ(table.entries[0].events[0][0].value, 0x2C);
    EXPECT_EQ(table.entries[0].events[0][0].duration, 5);
}

TEST(SyncDeathTest, MissingOrRefusedFilesEndTheProgram) {
    testing_files::TempDir dir("sync_death");
    DemoContext context;
    EXPECT_EXIT(readSyncFile(context, "other/s7"), testing::ExitedWithCode(255),
                "sync Info: Can't load other/s7 !");
    ASSERT_TRUE(writers::writeBytes("s9", {3, 0, 0, 0}));
    EXPECT_EXIT(readSyncFile(context, "s9"), testing::ExitedWithCode(255),
                "sync Info: s9: the file is shorter than its counts say");
    // The check the loading screen makes of the later files ends the program the same way,
    // and changes nothing when the file is sound.
    EXPECT_EXIT(checkSyncFile("s9"), testing::ExitedWithCode(255),
                "sync Info: s9: the file is shorter than its counts say");
    ASSERT_TRUE(writers::writeBytes("s8", writers::encodeSyncFile({{{{1, 2, 3}}}})));
    allocateSyncTable(context);
    checkSyncFile("s8");
    EXPECT_EQ(context.entryCount, 0);
    EXPECT_EQ(syncFileProblem("s8"), "");
}
