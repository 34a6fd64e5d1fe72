#pragma once
// Particles that fall under gravity, age, and bounce off flat surfaces: planes with a bounded
// extent in x and z, each taken from one face of a mesh.
#include <array>
#include <vector>

#include "fx/particle_pool.h"
#include "scene3d/scene.h"

namespace fx {

using scene3d::Point3f;

struct BouncingParticle {
    Point3f position, velocity;
    float age = 0, brightness = 0;
};

struct BouncePlane {
    Point3f normal{0, 1, 0};
    float d = 0; // normal . p for p on the plane
    float minX = 0, maxX = 0, minZ = 0, maxZ = 0;
};

// The plane of the mesh's face 0 in world space (through its worldMatrix), bounded by the
// smallest and largest x and z of its world-space vertices. A mesh without a usable face 0
// gives a plane with an empty extent, which bounces nothing.
BouncePlane planeFromMesh(const scene3d::Mesh& mesh);

// Whether the plane bounces the particle: its signed distance n . p - d in 0 .. 100 and its
// x and z within the extent. A bounce sends velocity.y back at 0.4 of its size, pushes x and
// z away along the normal, and turns a new velocity.y below -1 upward; `distance` is the
// signed distance truncated.
bool bounce(const BouncePlane& plane, BouncingParticle& p, int& distance);

// The planes in order until one bounces the particle at a non-zero distance: a particle just
// above one plane may bounce off the next too.
void collide(const std::vector<BouncePlane>& planes, BouncingParticle& p);

// One step of every live particle, newest first: it moves, falls by `gravity`, ages by
// `ageing`, and dies past age 5.
void fall(ParticlePool<BouncingParticle>& pool, float gravity, float ageing);

} // namespace fx
