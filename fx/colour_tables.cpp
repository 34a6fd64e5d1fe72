#include "fx/colour_tables.h"

namespace fx {

ColourTable makeGreyRamp() {
    ColourTable t{};
    for (uint32_t i = 0; i < 256; ++i) t[i] = i * 0x010101u;
    return t;
}

} // namespace fx
