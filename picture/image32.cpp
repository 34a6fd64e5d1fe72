#include "picture/image32.h"

#include <cstddef>
#include <cstring>

namespace picture {

void Image32::create(int w, int h) {
    width = w;
    height = h;
    storage_.assign(static_cast<size_t>(w) * h + kGuardPixels, 0);
    pixels = storage_.data();
}

void Image32::copyTo(Image32& other) const {
    std::memcpy(other.pixels, pixels, static_cast<size_t>(width) * height * sizeof(uint32_t));
}

void Image32::grabFrom(const Image32& source, int sx, int sy) {
    for (int row = 0; row < height; ++row)
        std::memcpy(pixels + static_cast<size_t>(row) * width,
                    source.pixels + static_cast<std::ptrdiff_t>(sy + row) * source.width + sx,
                    static_cast<size_t>(width) * sizeof(uint32_t));
}

} // namespace picture
