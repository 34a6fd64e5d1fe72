#pragma once
// Sync files: timed events per channel that the parts turn into decaying envelopes, and the
// cursors that tell how far each channel has got.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace sound {

constexpr int kSyncEntries = 100;
constexpr int kSyncChannels = 5;
constexpr int kSyncEvents = 200;

// The sync files the parts take when they begin, after the one read at start-up: checked
// while the loading screen shows, so that a damaged one stops the show before it starts.
constexpr std::array<const char*, 3> kLaterSyncFiles = {"other/s3", "other/s4", "other/s7"};

struct SyncEvent {
    uint32_t time = 0; // soundtrack position in bytes of decoded audio
    uint8_t value = 0;
    uint8_t duration = 0; // frames
};

struct SyncEntry {
    int32_t channelCount = 0;
    std::array<std::array<SyncEvent, kSyncEvents>, kSyncChannels> events{};
    std::array<int32_t, kSyncChannels> eventCounts{};
    std::array<int32_t, kSyncChannels> cursors{}; // next event to fire, -1 when none is left
};

struct SyncTable {
    std::array<SyncEntry, kSyncEntries> entries{};
};

// One decaying value per channel, shared by all files.
struct Envelopes {
    std::array<int32_t, kSyncChannels> counters{};
    std::array<float, kSyncChannels> values{};
    std::array<float, kSyncChannels> steps{};
};

// The result of parsing a sync file's bytes: ok, or why not.
struct SyncParse {
    bool ok = false;
    std::string problem;
};

// Reads a sync file's bytes into `table` (entries and channels the file does not mention keep
// what they held) and sets entryCount. Refuses counts beyond the limits, negative counts,
// data shorter or longer than the counts say and a channel's events out of time order; a
// refused file changes nothing.
SyncParse parseSyncFile(const uint8_t* data, size_t size, SyncTable& table, int32_t& entryCount);

} // namespace sound
