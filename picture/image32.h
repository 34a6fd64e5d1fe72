#pragma once
// Images of 32-bit pixels 0x00RRGGBB, rows top first, stride = width.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/image_loader.h"

namespace picture {

class Image32 {
  public:
    Image32() = default;
    Image32(const Image32&) = delete;
    Image32& operator=(const Image32&) = delete;
    virtual ~Image32() = default;

    // Storage for w x h pixels between two guard bands of at least 1024 pixels: the blur looks
    // 513 pixels before and after, the bilinear sprites read the pixel right of and the row
    // below each sample, which at a shrinking scale can reach three rows past the last. The
    // guards are zero, so what a sprite reads there adds nothing.
    void create(int w, int h);
    // Copies width * height pixels into another image of the same size.
    void copyTo(Image32& other) const;
    // Fills this image with the width * height rectangle of source at (sx, sy); no clipping.
    void grabFrom(const Image32& source, int sx, int sy);
    void centreOrigin() {
        x -= width >> 1;
        y -= height >> 1;
    }
    size_t pixelCount() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }
    static size_t guardPixels(int w) {
        return std::max<size_t>(1024, 4 * static_cast<size_t>(w > 0 ? w : 0) + 16);
    }

    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;
    int32_t y = 0;
    // Usually the image's own block; Framebuffer32 points it into the screen surface.
    uint32_t* pixels = nullptr;

  private:
    std::vector<uint32_t> block_;
};

// The tiled copy of a 256 x 256 texture: 32 strips 8 texels wide, each 256 rows of 8 texels,
// between two guards of 1024 texels.
constexpr int kTiledGuard = 1024;
constexpr int kTiledTexels = 65536;
constexpr size_t kTiledBytes = (kTiledGuard * 2 + kTiledTexels) * 4;
static_assert(kTiledBytes == 0x42000, "the tiled copy is one block of 0x42000 bytes");
constexpr int tiledIndex(int u, int v) {
    return (u >> 3) * 2048 + v * 8 + (u & 7);
}
static_assert(tiledIndex(255, 255) == kTiledTexels - 1);

class LoadedImage32 : public Image32, public ImageLoader {
  public:
    // "BMP", "TGA" (types 2 and 10) or "JPG", by the name's last three characters.
    LoadResult load(const std::string& fileName) override;
    // As load, with the file in `folder`; the image keeps the name as given.
    LoadResult loadFrom(const std::string& folder, const std::string& fileName);
    void reportLoadError(LoadResult code) override;
    // Builds `tiled` from the 256 x 256 pixels. False, building nothing, for any other size.
    bool buildTiledCopy();

    std::string fileName;
    const uint32_t* tiled = nullptr; // texel (u, v) at tiled[tiledIndex(u, v)]

  private:
    std::vector<uint32_t> tiledBlock_;
};

// Loads a picture the production plays on without: a failure leaves the image empty (it
// draws nothing) and prints one line on stderr naming the file and what is wrong.
bool loadOrWarn(LoadedImage32& image, const std::string& fileName);

// The readers, on a file's bytes; each gives the image its storage and fills it.
LoadResult readBmp(const uint8_t* data, size_t size, Image32& out);
LoadResult readTga24(const uint8_t* data, size_t size, Image32& out);
// A JPEG that does not decode (libjpeg's error, or a warning for data cut short or corrupt)
// gives kDamaged after libjpeg's message in a box, led by fileName when one is given; with
// `message` the message goes there instead of a box.
LoadResult readJpeg(const uint8_t* data, size_t size, Image32& out, const char* fileName = nullptr,
                    std::string* message = nullptr);

} // namespace picture
