#pragma once
// An image of 32-bit pixels 0x00RRGGBB, rows top first, stride = width.
#include <cstdint>
#include <vector>

namespace picture {

class Image32 {
public:
    // Pixels, then a guard band of 1024 pixels after the last row: operations that read the
    // row below or the pixel to the right of the one they write may run into it.
    static constexpr int kGuardPixels = 1024;

    Image32() = default;
    Image32(const Image32&) = delete;
    Image32& operator=(const Image32&) = delete;
    virtual ~Image32() = default;

    void create(int w, int h);
    // Copies width * height pixels into another image of the same size.
    void copyTo(Image32& other) const;
    // Fills this image with the width * height rectangle of source at (sx, sy); no clipping.
    void grabFrom(const Image32& source, int sx, int sy);
    void centreOrigin() {
        x -= width >> 1;
        y -= height >> 1;
    }
    // The block the image owns; pixels may point elsewhere (into the screen surface).
    uint32_t* ownPixels() { return storage_.data(); }

    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t* pixels = nullptr;

private:
    std::vector<uint32_t> storage_;
};

} // namespace picture
