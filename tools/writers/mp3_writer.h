#pragma once
// MP3 encoding through LAME, for the tests and the data generator.
#include <cstdint>
#include <vector>

namespace writers {

// Interleaved 16-bit stereo at `rate` Hz (or mono when channels is 1) to a constant-rate MP3
// of kbps kilobits a second.
std::vector<uint8_t> encodeMp3(const std::vector<int16_t>& samples, int rate, int channels,
                               int kbps);

} // namespace writers
