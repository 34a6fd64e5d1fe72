#pragma once
// Renders the score to 44100 Hz stereo 16-bit: a handful of simple voices (sine-sweep kick,
// noise drums, band-limited saws and pulses through one-pole filters), an echo on the
// melodic voices, a soft limiter and a short fade at the end.
#include <cstdint>
#include <vector>

#include "tools/datagen/score.h"

namespace datagen {

constexpr int kSampleRate = 44100;

// Interleaved left, right; peaks below full scale.
std::vector<int16_t> renderScore(const Score& score, uint32_t seed);

} // namespace datagen
