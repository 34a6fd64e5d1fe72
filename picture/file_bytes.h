#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace picture {

// Largest file a reader takes in whole.
constexpr size_t kMaxFileBytes = 256u << 20;

// The whole file; false when it cannot be opened or read, or is larger than kMaxFileBytes.
bool readFileBytes(const std::string& path, std::vector<uint8_t>& out);

// One line on stderr for a file the production plays on without: it names the file and
// what is wrong with it.
void warnPlayingOn(const std::string& file, const std::string& problem);

// Little-endian reads at an offset the caller has checked against the size.
inline uint32_t le16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0] | (p[1] << 8));
}
inline uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace picture
