#pragma once
// Spark fountains: sparks released at the foot of a path that is rebuilt every frame, flying
// along it and piling up at its end as debris that a beat throws into the air. The path and the
// debris live in the object space of an anchor placed in the scene.
#include <array>
#include <cstdint>
#include <vector>

#include "fx/colour_tables.h"
#include "fx/particle_pool.h"
#include "picture/image32.h"
#include "picture/image8.h"
#include "scene3d/scene.h"

namespace fx {

using scene3d::Point3f;

struct FountainSpark {
    float size = 0; // the drawing's scale argument: larger is smaller on screen
    float position = 0, speed = 0;
    int32_t length = 0; // the path's point count when the spark was released
};

struct DebrisPiece {
    float size = 0;
    bool held = false;
    Point3f position, velocity;
};

struct DebrisPool {
    ParticlePool<DebrisPiece> pieces{300};
    const ColourTable* colours = nullptr;
};

struct SparkFountain {
    std::vector<Point3f> path; // the sampled path
    int32_t pointCount = 0;    // its usable points: one fewer than the samples
    ParticlePool<FountainSpark> sparks{300};
    const ColourTable* colours = nullptr;
    DebrisPool debris;
};

// A path of key points with sample stamps; between two keys as many samples as the stamps of
// the segment before differ.
constexpr int kFountainKeys = 32;
struct FountainKeys {
    std::array<Point3f, kFountainKeys> points{};
    std::array<int32_t, kFountainKeys> stamps{};
};

// The Catmull-Rom curve through keys 1 .. 30: segment k (key k + 1 to k + 2) at t = 0, 1 / g,
// 2 / g ... while t < 1, t summed in double precision, g = stamp k + 1 - stamp k (at least 1).
void sampleFountainPath(const FountainKeys& keys, SparkFountain& fountain);

// One spark at the path's foot; nothing when the pool is full.
void releaseFountainSpark(SparkFountain& fountain, float speed, float size);

// Sparks move on by speed / (fps / 30); those at or past the path's last point are freed.
// Returns how many were freed.
int advanceFountainSparks(SparkFountain& fountain, float fps);

// Where the anchor's object space lands on the screen: its world matrix times the view.
struct AnchorView {
    scene3d::Matrix4 toCamera;
    const scene3d::SceneCamera* camera = nullptr;
    // The projected point, false when behind the near plane or off the picture.
    bool project(const Point3f& p, scene3d::ProjectedVertex& out, int width, int height) const;
};
AnchorView anchorView(const Point3f& anchor, const scene3d::SceneCamera& camera);

// Every spark at its path point, the flare in the fountain's colours, added, at scale size.
void drawFountainSparks(const SparkFountain& fountain, picture::Image8& flare,
                        const AnchorView& view, picture::Image32& target);

// Held pieces wobble in size with the two phases (which move on per piece); moving ones fly.
void drawDebris(const DebrisPool& pool, picture::Image8& flare, const AnchorView& view,
                picture::Image32& target, float& phaseA, float& phaseB);
// Moving pieces fall, growing, and are freed past size 5.
void advanceDebris(DebrisPool& pool, float fps);

} // namespace fx
