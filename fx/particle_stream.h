#pragma once
// Streams of flare particles that flow along a path of screen points read from a small text
// file: a fixed pool, one emission every few frames, particles that loop along the path for
// ever, fading in over its first points and out over its last, sized by the point's z.
#include <string>
#include <vector>

#include "fx/particle_pool.h"
#include "picture/image32.h"
#include "scene3d/math3d.h"

namespace fx {

struct StreamParticle {
    float position = 0, speed = 0, scale = 0, pathLength = 0;
};

// What a stream file gives.
struct StreamSettings {
    int poolSize = 0;
    int emitMinimum = 0, emitRange = 0; // frames between emissions: minimum + rand() mod range
    int fadeInPoints = 0, fadeOutPoints = 0;
    float speedBase = 0, speedSpread = 0; // path points per frame
    float sizeBase = 0, sizeSpread = 0;   // the sprite's scale
    float depthFactor = 0;                // scale taken away per unit of a point's z
    std::vector<scene3d::Point3f> control;
    int samplesPerSegment = 0;
    int closedFlag = 0; // 0: the first three control points again at the end; 1: open
    int curveKind = 0;  // 0: uniform cubic B-spline; 1: Catmull-Rom
};

// Own limits, so that a file's numbers never size an allocation beyond them.
constexpr int kMaxStreamPool = 65536;
constexpr int kMaxStreamSamples = 4096;
constexpr size_t kMaxPathPoints = 1u << 20;
constexpr size_t kMaxStreamLine = 99; // characters, without the line end

// Parses a stream file's text. False, with the 1-based line and what is wrong there, when a
// line is missing, too long, has no value or a value out of its range, when a count runs past
// the file's lines, or when the closed flag or the curve kind is neither 0 nor 1. Lines that
// begin with '*' are comments wherever they are; lines after the curve kind are ignored.
bool parseStreamSettings(const std::string& text, StreamSettings& out, int& badLine,
                         std::string& problem);

// The path's points: for a closed path the first three control points follow the last; then
// each run of four gives a segment sampled at t = 0, 1/s, 2/s ... while t < 1, t summed in
// floating point.
std::vector<scene3d::Point3f> generatePath(const StreamSettings& s);

struct ParticleStream {
    StreamSettings settings;
    std::vector<scene3d::Point3f> path;
    ParticlePool<StreamParticle> pool;
    int frameCounter = 0, nextEmission = 0;

    // Sets the settings, builds the path and empties the pool.
    void setUp(const StreamSettings& s);
    // Moves every live particle on (wrapping at the path's end), then emits one when due.
    void update();
    // The flare, centred on each live particle's path point, alpha-added.
    void draw(picture::Image32& target, const picture::Image32& flare) const;
    // A particle's alpha at a path index: ramps over the first and last points.
    int alphaAt(int index) const;
};

// Reads a stream file into the stream. A file that cannot be read, or that parseStreamSettings
// refuses, shows a box naming the file (and the line) and ends the program with exit code -1.
void readParticleStream(const std::string& path, ParticleStream& stream);

} // namespace fx
