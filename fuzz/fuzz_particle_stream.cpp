// Any bytes as a particle stream file; what is accepted is also built and run for a while.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fx/particle_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fx::StreamSettings settings;
    int line = 0;
    std::string problem;
    if (!fx::parseStreamSettings(std::string(reinterpret_cast<const char*>(data), size), settings,
                                 line, problem))
        return 0;
    fx::ParticleStream stream;
    stream.setUp(settings);
    picture::Image32 target, flare;
    target.create(64, 32);
    flare.create(4, 4);
    for (int frame = 0; frame < 8; ++frame) {
        stream.update();
        stream.draw(target, flare);
    }
    return 0;
}
