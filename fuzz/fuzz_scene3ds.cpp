// Any bytes through the 3DS reader: it must refuse or load, never read or write out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "scene3d/scene3ds_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    scene3d::Scene3ds scene;
    scene3d::LightCarry carry;
    std::string problem;
    scene3d::parseScene3ds(data, size, scene, carry, problem);
    return 0;
}
