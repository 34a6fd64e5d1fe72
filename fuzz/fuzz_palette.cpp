// Any bytes as a palette file.
#include <cstddef>
#include <cstdint>

#include "picture/palette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    picture::ColourTable table{};
    picture::paletteFromBytes(data, size, table);
    return 0;
}
