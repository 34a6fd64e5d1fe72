#include "sound/sync_track.h"

#include <string>

namespace sound {

namespace {

class Reader {
  public:
    Reader(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    bool atEnd() const { return at_ == n_; }
    bool next(int32_t& v) {
        if (n_ - at_ < 4) return false;
        v = static_cast<int32_t>(
            static_cast<uint32_t>(d_[at_]) | static_cast<uint32_t>(d_[at_ + 1]) << 8 |
            static_cast<uint32_t>(d_[at_ + 2]) << 16 | static_cast<uint32_t>(d_[at_ + 3]) << 24);
        at_ += 4;
        return true;
    }

  private:
    const uint8_t* d_;
    size_t n_, at_ = 0;
};

SyncParse refuse(const std::string& why) {
    return {false, why};
}

// One pass over the file: every count and event checked, and stored into `out` when given.
// Run once without a table and then with it, so a refused file leaves the table as it was.
SyncParse walk(const uint8_t* data, size_t size, SyncTable* out, int32_t& entries) {
    Reader in(data, size);
    const std::string shortFile = "the file is shorter than its counts say";
    if (!in.next(entries)) return refuse(shortFile);
    if (entries < 0) return refuse("negative entry count");
    if (entries > kSyncEntries) return refuse("more than 100 entries");
    for (int e = 0; e < entries; ++e) {
        int32_t channels = 0;
        if (!in.next(channels)) return refuse(shortFile);
        if (channels < 0) return refuse("negative channel count");
        if (channels > kSyncChannels) return refuse("more than 5 channels in an entry");
        SyncEntry* entry = out ? &out->entries[static_cast<size_t>(e)] : nullptr;
        if (entry) entry->channelCount = channels;
        for (int c = 0; c < channels; ++c) {
            int32_t count = 0;
            if (!in.next(count)) return refuse(shortFile);
            if (count < 0) return refuse("negative event count");
            if (count > kSyncEvents) return refuse("more than 200 events in a channel");
            if (entry) entry->eventCounts[static_cast<size_t>(c)] = count;
            uint32_t previous = 0;
            for (int k = 0; k < count; ++k) {
                int32_t time = 0, value = 0, duration = 0;
                if (!in.next(time) || !in.next(value) || !in.next(duration))
                    return refuse(shortFile);
                const SyncEvent event = {static_cast<uint32_t>(time),
                                         static_cast<uint8_t>(value & 0xFF),
                                         static_cast<uint8_t>(duration & 0xFF)};
                // The cursors step through a channel in time order; an event earlier than the
                // one before it would never fire where it stands.
                if (k > 0 && event.time < previous)
                    return refuse("entry " + std::to_string(e) + ", channel " + std::to_string(c) +
                                  ": event " + std::to_string(k) +
                                  " is earlier than the one before it");
                previous = event.time;
                if (entry) entry->events[static_cast<size_t>(c)][static_cast<size_t>(k)] = event;
            }
        }
    }
    if (!in.atEnd()) return refuse("the file is longer than its counts say");
    return {true, {}};
}

} // namespace

SyncParse parseSyncFile(const uint8_t* data, size_t size, SyncTable& table, int32_t& entryCount) {
    int32_t entries = 0;
    SyncParse r = walk(data, size, nullptr, entries);
    if (!r.ok) return r;
    walk(data, size, &table, entries);
    entryCount = entries;
    return r;
}

} // namespace sound
