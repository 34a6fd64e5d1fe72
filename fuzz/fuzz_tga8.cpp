// Any bytes through the tga8 reader: it must refuse or load, never read or write out of bounds.
#include <cstddef>
#include <cstdint>

#include "picture/image8.h"
#include "platform/message_box.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::setMessageBoxQuiet(true);
    picture::Image8 image;
    picture::readTga8(data, size, image);
    return 0;
}
