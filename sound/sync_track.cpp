#include "sound/sync_track.h"

#include <vector>

namespace sound {

namespace {

class Reader {
public:
    Reader(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    bool atEnd() const { return at_ == n_; }
    bool next(int32_t& v) {
        if (n_ - at_ < 4) return false;
        v = static_cast<int32_t>(static_cast<uint32_t>(d_[at_]) | static_cast<uint32_t>(d_[at_ + 1]) << 8 |
                                 static_cast<uint32_t>(d_[at_ + 2]) << 16 | static_cast<uint32_t>(d_[at_ + 3]) << 24);
        at_ += 4;
        return true;
    }

private:
    const uint8_t* d_;
    size_t n_, at_ = 0;
};

SyncParse refuse(const std::string& why) { return {false, why}; }

} // namespace

SyncParse parseSyncFile(const uint8_t* data, size_t size, SyncTable& table, int32_t& entryCount) {
    Reader in(data, size);
    const std::string shortFile = "the file is shorter than its counts say";
    int32_t entries = 0;
    if (!in.next(entries)) return refuse(shortFile);
    if (entries < 0) return refuse("negative entry count");
    if (entries > kSyncEntries) return refuse("more than 100 entries");
    // Parsed in whole before anything is stored, so a refused file leaves the table as it was.
    struct Channel {
        int32_t count = 0;
        std::array<SyncEvent, kSyncEvents> events{};
    };
    struct Entry {
        int32_t channels = 0;
        std::array<Channel, kSyncChannels> channel{};
    };
    std::vector<Entry> parsed(static_cast<size_t>(entries));
    for (Entry& e : parsed) {
        if (!in.next(e.channels)) return refuse(shortFile);
        if (e.channels < 0) return refuse("negative channel count");
        if (e.channels > kSyncChannels) return refuse("more than 5 channels in an entry");
        for (int c = 0; c < e.channels; ++c) {
            Channel& ch = e.channel[static_cast<size_t>(c)];
            if (!in.next(ch.count)) return refuse(shortFile);
            if (ch.count < 0) return refuse("negative event count");
            if (ch.count > kSyncEvents) return refuse("more than 200 events in a channel");
            for (int k = 0; k < ch.count; ++k) {
                int32_t time = 0, value = 0, duration = 0;
                if (!in.next(time) || !in.next(value) || !in.next(duration)) return refuse(shortFile);
                ch.events[static_cast<size_t>(k)] = {static_cast<uint32_t>(time), static_cast<uint8_t>(value & 0xFF),
                                                     static_cast<uint8_t>(duration & 0xFF)};
                // The cursors step through a channel in time order; an event earlier than the
                // one before it would never fire where it stands.
                if (k > 0 && ch.events[static_cast<size_t>(k)].time < ch.events[static_cast<size_t>(k - 1)].time)
                    return refuse("entry " + std::to_string(&e - parsed.data()) + ", channel " + std::to_string(c) +
                                  ": event " + std::to_string(k) + " is earlier than the one before it");
            }
        }
    }
    if (!in.atEnd()) return refuse("the file is longer than its counts say");
    entryCount = entries;
    for (size_t e = 0; e < parsed.size(); ++e) {
        SyncEntry& out = table.entries[e];
        out.channelCount = parsed[e].channels;
        for (int c = 0; c < parsed[e].channels; ++c) {
            const Channel& ch = parsed[e].channel[static_cast<size_t>(c)];
            out.eventCounts[static_cast<size_t>(c)] = ch.count;
            std::copy(ch.events.begin(), ch.events.begin() + ch.count, out.events[static_cast<size_t>(c)].begin());
        }
    }
    return {true, {}};
}

} // namespace sound
