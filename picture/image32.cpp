#include "picture/image32.h"

#include <cstddef>
#include <cstring>

#include "picture/file_bytes.h"
#include "platform/message_box.h"

namespace picture {

std::string upperExtension(const std::string& fileName) {
    if (fileName.size() < 3) return {};
    std::string ext = fileName.substr(fileName.size() - 3);
    for (char& c : ext)
        if (static_cast<unsigned char>(c) > 90) c = static_cast<char>(c - 32);
    return ext;
}

void Image32::create(int w, int h) {
    width = w > 0 ? w : 0;
    height = h > 0 ? h : 0;
    const size_t guard = guardPixels(width);
    block_.assign(guard + pixelCount() + guard, 0);
    pixels = block_.data() + guard;
}

void Image32::copyTo(Image32& other) const {
    std::memcpy(other.pixels, pixels, pixelCount() * sizeof(uint32_t));
}

void Image32::grabFrom(const Image32& source, int sx, int sy) {
    for (int row = 0; row < height; ++row)
        std::memcpy(pixels + static_cast<size_t>(row) * width,
                    source.pixels + static_cast<std::ptrdiff_t>(sy + row) * source.width + sx,
                    static_cast<size_t>(width) * sizeof(uint32_t));
}

LoadResult LoadedImage32::load(const std::string& name) {
    return loadFrom("", name);
}

LoadResult LoadedImage32::loadFrom(const std::string& folder, const std::string& name) {
    fileName = name;
    const std::string ext = upperExtension(name);
    LoadResult (*reader)(const uint8_t*, size_t, Image32&) = nullptr;
    if (ext == "BMP")
        reader = readBmp;
    else if (ext == "TGA")
        reader = readTga24;
    else if (ext != "JPG")
        return kExtensionNotSupported;
    const std::string path = folder.empty() ? name : folder + "/" + name;
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes)) return kCannotOpen;
    if (!reader) return readJpeg(bytes.data(), bytes.size(), *this, path.c_str());
    return reader(bytes.data(), bytes.size(), *this);
}

const char* loadResultText(LoadResult code) {
    switch (code) {
    case kCannotOpen:
        return "file doesn't exist";
    case kExtensionNotSupported:
        return "extension not supported";
    case kModeNotSupported:
        return "extension supported, but mode isn't";
    case kNot24Bit:
        return "not a 8/8/8 format";
    case kCannotCreate:
        return "can't create file";
    case kNot8Bit:
        return "not a 8 bits format";
    case kDamaged:
        return "file is damaged or truncated";
    case kNotTexture:
        return "a texture must be 256 x 256";
    default:
        return "error unknow";
    }
}

void LoadedImage32::reportLoadError(LoadResult code) {
    // This class's own texts: codes it has no text for show the catch-all.
    const char* text =
        code == kCannotCreate || code == kNot8Bit ? "error unknow" : loadResultText(code);
    platform::messageBox("error loading file: " + fileName, text);
}

bool loadOrWarn(LoadedImage32& image, const std::string& fileName) {
    const LoadResult r = image.load(fileName);
    if (r == kLoaded) return true;
    image.create(0, 0);
    warnPlayingOn(fileName, loadResultText(r));
    return false;
}

bool LoadedImage32::buildTiledCopy() {
    if (width != 256 || height != 256 || !pixels) return false;
    tiledBlock_.assign(kTiledGuard * 2 + kTiledTexels, 0);
    uint32_t* texels = tiledBlock_.data() + kTiledGuard;
    for (int v = 0; v < 256; ++v)
        for (int u = 0; u < 256; ++u)
            texels[tiledIndex(u, v)] = pixels[v * 256 + u];
    tiled = texels;
    return true;
}

} // namespace picture
