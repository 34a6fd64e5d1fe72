#include "tools/writers/sync_writer.h"

#include <cmath>

namespace writers {

namespace {
void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b.push_back(static_cast<uint8_t>(v >> (8 * k)));
}
} // namespace

std::vector<uint8_t> encodeSyncFile(const std::vector<SyncChannels>& entries) {
    std::vector<uint8_t> b;
    put32(b, static_cast<uint32_t>(entries.size()));
    for (const SyncChannels& channels : entries) {
        put32(b, static_cast<uint32_t>(channels.size()));
        for (const auto& events : channels) {
            put32(b, static_cast<uint32_t>(events.size()));
            for (const sound::SyncEvent& e : events) {
                put32(b, e.time);
                put32(b, e.value);
                put32(b, e.duration);
            }
        }
    }
    return b;
}

uint32_t syncTime(double seconds) {
    return static_cast<uint32_t>(std::llround(seconds * 44100.0)) * 4u;
}

} // namespace writers
