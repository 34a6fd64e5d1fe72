#pragma once
// Colour tables built in memory rather than read from palette files.
#include <array>
#include <cstdint>

namespace fx {

using ColourTable = std::array<uint32_t, 256>;

// Entry i is the grey i in blue, green and red: the shade-subtract modes' greys, and the
// shade table of scenes whose faces are lit in grey.
ColourTable makeGreyRamp();

} // namespace fx
