#pragma once
// Images of 8-bit palette indices with their own 256-colour table.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/image_loader.h"

namespace picture {

using ColourTable = std::array<uint32_t, 256>;

class Image8 : public ImageLoader {
  public:
    Image8() = default;
    Image8(const Image8&) = delete;
    Image8& operator=(const Image8&) = delete;

    // "PCX" or "TGA" (types 1 and 9), by the name's last three characters.
    LoadResult load(const std::string& fileName) override;
    void reportLoadError(LoadResult code) override;

    // Index storage for w x h between two zeroed guards of at least 1024 bytes (and four rows).
    void create(int w, int h);
    size_t pixelCount() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }
    // Bytes of guard after the last index (and before the first).
    size_t guardBytes() const { return guardBytes(width); }
    static size_t guardBytes(int w) {
        return std::max<size_t>(1024, 4 * static_cast<size_t>(w > 0 ? w : 0) + 16);
    }

    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint8_t* indices = nullptr;
    ColourTable palette{};
    std::string fileName;

  private:
    std::vector<uint8_t> block_;
};

// As for LoadedImage32: a failure leaves the image empty and prints one line naming the file.
bool loadOrWarn(Image8& image, const std::string& fileName);

LoadResult readPcx(const uint8_t* data, size_t size, Image8& out);
LoadResult readTga8(const uint8_t* data, size_t size, Image8& out);

} // namespace picture
