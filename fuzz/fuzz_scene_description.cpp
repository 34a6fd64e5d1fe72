// Any text as a scene description, for a scene of 0 to 7 meshes and 0 to 3 cameras (the first
// byte says which).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fx/scene_description.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    fx::SceneDescription d;
    int line = 0;
    std::string problem;
    fx::parseSceneDescription(text, data[0] & 7, (data[0] >> 3) & 3, d, line, problem);
    return 0;
}
