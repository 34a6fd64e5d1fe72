#pragma once
// The loading interface of the image classes and its result codes.
#include <string>

namespace picture {

enum LoadResult : int {
    kCannotOpen = 1, // also: JPEG decoding failed
    kLoaded = 2,
    kExtensionNotSupported = 3,
    kModeNotSupported = 4, // a TGA image type (or BMP layout) this class does not read
    kNot24Bit = 5,
    kCannotCreate = 6, // no reader returns it
    kNot8Bit = 8,
    kDamaged = 9,     // truncated header, impossible size or table: refused rather than trusted
    kNotTexture = 10, // a texture of another size than 256 x 256, which the tiled copy needs
};

class ImageLoader {
  public:
    virtual ~ImageLoader() = default;
    virtual LoadResult load(const std::string& fileName) = 0;
    // Shows the box for a failed load; the caller then ends the program.
    virtual void reportLoadError(LoadResult code) = 0;
};

// The text of a failed load, as the boxes show it.
const char* loadResultText(LoadResult code);

// The last three characters of a name, each above 'Z' moved down by 32 ("jpg", "Jpg" ->
// "JPG"); empty for a name shorter than three characters.
std::string upperExtension(const std::string& fileName);

// Largest width or height a reader accepts.
constexpr int kMaxImageSide = 8192;

} // namespace picture
