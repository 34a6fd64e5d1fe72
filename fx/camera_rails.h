#pragma once
// Camera rails: closed paths sampled from a camera's keyframe tracks, travelled at a steady
// pace with kicks on the beat; the flares that twinkle along a rail; and the wandering point
// light under which the rail scenes draw their palette-shaded meshes.
#include <cstdint>
#include <vector>

#include "picture/image32.h"
#include "scene3d/scene.h"

namespace fx {

using scene3d::Point3f;

struct CameraRail {
    std::vector<Point3f> vertices; // world space
    std::vector<Point3f> cameraVertices;
    std::vector<scene3d::ProjectedVertex> projected;
    int32_t vertexCount = -1; // -1: no rail
};

// The keys' loop (the last key stands for key 0 again) sampled on the Catmull-Rom curve, e
// points per segment with e the frame distance of the first two keys: (n - 1) e points of
// which the last is left over, so vertexCount is (n - 1) e - 1. Fewer than 2 keys, or keys
// that do not advance in frames, give no rail.
void buildCameraRail(const scene3d::Track& track, CameraRail& rail);

// An index at or past the count taken back below it; a rail without vertices gives 0.
float wrapRailIndex(float index, int32_t count);

// What sets a scene's pace on its rails.
struct RailPace {
    float kickStrength;  // boost per frame at the kick, falling to 0 over 350 ms
    float kickFrameRate; // the boost is divided by fps times this
    float speed;         // rail vertices per millisecond, per vertex of the rail
};

struct RailMotion {
    uint32_t startTick = 0, kickTick = 0;
    bool kicking = false;
    float offset = 0, boost = 0;
};

void startRails(RailMotion& m, float offset, uint32_t now);
void kickRails(RailMotion& m, uint32_t now);
// The boost of a running kick, once a frame.
void advanceRails(RailMotion& m, const RailPace& pace, uint32_t now, float fps);

struct RailPoint {
    float eyeIndex = 0, targetIndex = 0;
    Point3f eye, target;
};
// Where eye and target stand now on rails of A and B vertices; the target keeps to the eye's
// share of its own rail. Rails without vertices leave the points at the origin.
RailPoint railPoint(const RailMotion& m, const RailPace& pace, const CameraRail& eyeRail,
                    const CameraRail& targetRail, uint32_t now);

// The rail scenes' camera step: the view factors, then eye and target from the rails.
void stepRailCamera(scene3d::SceneCamera& camera, float viewFactor, const Point3f& eye,
                    const Point3f& target);

// Flares on every `every`-th vertex of a rail, their sizes beating with two phases that
// step per frame and again per flare.
struct RailFlares {
    float p = 0, q = 0;
};
void drawRailFlares(RailFlares& f, CameraRail& rail, const scene3d::SceneCamera& camera,
                    picture::Image32& flare, picture::Image32& target, int every, float stepP,
                    float stepQ);

// A point light wandering in front of the scene's origin, one step a frame.
struct WanderingLight {
    float a = 0, b = 0, c = 0;
    Point3f position;
    scene3d::SceneLight record; // what the mesh's light slot points at
    void step();
};

// A mesh shaded by its own direction to the light (the flat directional modes): placed as its
// tracks left it, normals into camera space, projected and drawn by its render mode.
void drawUnderLight(scene3d::Mesh& mesh, WanderingLight& light, const scene3d::SceneCamera& camera,
                    picture::Image32& target);

} // namespace fx
