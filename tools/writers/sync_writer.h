#pragma once
// Sync files, for the tests and the data generator.
#include <cstdint>
#include <vector>

#include "sound/sync_track.h"

namespace writers {

// One entry's channels, each a list of events in time order.
using SyncChannels = std::vector<std::vector<sound::SyncEvent>>;

// A file of the given entries, each with its channels.
std::vector<uint8_t> encodeSyncFile(const std::vector<SyncChannels>& entries);

// The stored time of a moment of music: round(seconds * 44100) * 4 bytes.
uint32_t syncTime(double seconds);

} // namespace writers
