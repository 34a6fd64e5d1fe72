// Any bytes as a sync file: refused or read, never past the data or the table.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "sound/sync_track.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto table = std::make_unique<sound::SyncTable>();
    int32_t entries = 0;
    sound::parseSyncFile(data, size, *table, entries);
    return 0;
}
