#pragma once
// The text files that describe part 8's particle streams ("other/sp0" ...).
#include <array>
#include <string>
#include <vector>

namespace writers {

struct ParticleStreamFile {
    int poolSize = 200;
    int emitMinimum = 2, emitRange = 3;
    int fadeInPoints = 20, fadeOutPoints = 20;
    float speedBase = 1.0f, speedSpread = 0.5f;
    float sizeBase = 0.5f, sizeSpread = 0.3f;
    float depthFactor = 0.001f;
    std::string spriteSet = "flares";
    std::vector<std::string> sprites = {"flare32.jpg"};
    std::vector<std::array<float, 3>> controlPoints;
    int samplesPerSegment = 16;
    int closedFlag = 0; // 0: closed loop, 1: open
    int curveKind = 1;  // 0: uniform cubic B-spline, 1: Catmull-Rom
};

// Comment lines first, then one "label value" line per field, lines under 100 characters.
std::string encodeParticleStream(const ParticleStreamFile& stream, const std::string& title);

} // namespace writers
