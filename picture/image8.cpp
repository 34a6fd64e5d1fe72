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
    const char* text = nullptr;
    switch (code) {
    case kCannotOpen: text = "file doesn't exist"; break;
    case kExtensionNotSupported: text = "extension not supported"; break;
    case kModeNotSupported: text = "extension supported, but mode isn't"; break;
    case kCannotCreate: text = "can't create file"; break;
    case kNot8Bit: text = "not a 8 bits format"; break;
    case kDamaged: text = "file is damaged or truncated"; break;
    default: return; // no box for the other codes
    }
    platform::messageBox("error loading file: " + fileName, text);
}

} // namespace picture
