// Any bytes through the jpeg reader: it must refuse or load, never read or write out of bounds.
#include <cstddef>
#include <cstdint>

#include "picture/image32.h"
#include "platform/message_box.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::setMessageBoxQuiet(true);
    picture::Image32 image;
    picture::readJpeg(data, size, image);
    return 0;
}
