#include "picture/image8.h"

#include <algorithm>

#include "picture/file_bytes.h"
#include "platform/message_box.h"

namespace picture {

void Image8::create(int w, int h) {
    width = w > 0 ? w : 0;
    height = h > 0 ? h : 0;
    const size_t guard = guardBytes(width);
    block_.assign(guard + pixelCount() + guard, 0);
    indices = block_.data() + guard;
}

LoadResult Image8::load(const std::string& name) {
    fileName = name;
    const std::string ext = upperExtension(name);
    LoadResult (*reader)(const uint8_t*, size_t, Image8&) = nullptr;
    if (ext == "PCX")
        reader = readPcx;
    else if (ext == "TGA")
        reader = readTga8;
    else
        return kExtensionNotSupported;
    std::vector<uint8_t> bytes;
    if (!readFileBytes(name, bytes)) return kCannotOpen;
    return reader(bytes.data(), bytes.size(), *this);
}

void Image8::reportLoadError(LoadResult code) {
    switch (code) {
    case kCannotOpen:
    case kExtensionNotSupported:
    case kModeNotSupported:
    case kCannotCreate:
    case kNot8Bit:
    case kDamaged:
        platform::messageBox("error loading file: " + fileName, loadResultText(code));
        break;
    default:
        break; // no box for the other codes
    }
}

bool loadOrWarn(Image8& image, const std::string& fileName) {
    const LoadResult r = image.load(fileName);
    if (r == kLoaded) return true;
    image.create(0, 0);
    warnPlayingOn(fileName, r == kNot24Bit ? "not an indexed picture" : loadResultText(r));
    return false;
}

} // namespace picture
