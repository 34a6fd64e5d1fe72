#include "tools/writers/stream_writer.h"

#include <cstdio>

namespace writers {

std::string encodeParticleStream(const ParticleStreamFile& s, const std::string& title) {
    std::string out = "* particle stream: " + title + "\n* label value, one field a line\n";
    char line[100];
    auto put = [&](const char* label, const char* format, auto... values) {
        int n = std::snprintf(line, sizeof line, "%s ", label);
        std::snprintf(line + n, sizeof line - static_cast<size_t>(n), format, values...);
        out += line;
        out += '\n';
    };
    put("pool", "%d", s.poolSize);
    put("emitMin", "%d", s.emitMinimum);
    put("emitRange", "%d", s.emitRange);
    put("fadeIn", "%d", s.fadeInPoints);
    put("fadeOut", "%d", s.fadeOutPoints);
    put("speed", "%.4f", s.speedBase);
    put("speedSpread", "%.4f", s.speedSpread);
    put("size", "%.4f", s.sizeBase);
    put("sizeSpread", "%.4f", s.sizeSpread);
    put("depth", "%.6f", s.depthFactor);
    put("sprites", "%s", s.spriteSet.c_str());
    put("spriteCount", "%zu", s.sprites.size());
    for (const std::string& name : s.sprites)
        put("sprite", "%s", name.c_str());
    out += "* control points: x y z\n";
    put("points", "%zu", s.controlPoints.size());
    for (const auto& p : s.controlPoints)
        put("point", "%.3f %.3f %.3f", p[0], p[1], p[2]);
    put("samples", "%d", s.samplesPerSegment);
    put("open", "%d", s.closedFlag);
    put("curve", "%d", s.curveKind);
    return out;
}

} // namespace writers
