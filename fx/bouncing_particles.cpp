#include "fx/bouncing_particles.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fx {

using namespace scene3d;

BouncePlane planeFromMesh(const Mesh& mesh) {
    BouncePlane b;
    b.minX = b.minZ = 1, b.maxX = b.maxZ = 0; // empty
    const size_t n = mesh.vertices.size();
    if (mesh.faces.empty()) return b;
    const MeshFace& f = mesh.faces[0];
    if (f.a < 0 || f.b < 0 || f.c < 0 || static_cast<size_t>(f.a) >= n ||
        static_cast<size_t>(f.b) >= n || static_cast<size_t>(f.c) >= n)
        return b;
    std::vector<Point3f> world(n);
    for (size_t i = 0; i < n; ++i)
        transformPoint(mesh.worldMatrix, world[i], mesh.vertices[i]);
    const Point3f &P = world[static_cast<size_t>(f.a)], &Q = world[static_cast<size_t>(f.b)],
                  &R = world[static_cast<size_t>(f.c)];
    const Point3f u{Q.x - P.x, Q.y - P.y, Q.z - P.z}, v{R.x - P.x, R.y - P.y, R.z - P.z};
    Point3f c{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    const float length = std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z);
    if (!(length > 0)) return b; // a face without area has no plane
    c.x /= length, c.y /= length, c.z /= length;
    b.normal = c;
    b.d = c.x * P.x + c.y * P.y + c.z * P.z;
    b.minX = b.minZ = std::numeric_limits<float>::max();
    b.maxX = b.maxZ = std::numeric_limits<float>::lowest();
    for (const Point3f& w : world) {
        b.minX = std::min(b.minX, w.x), b.maxX = std::max(b.maxX, w.x);
        b.minZ = std::min(b.minZ, w.z), b.maxZ = std::max(b.maxZ, w.z);
    }
    return b;
}

bool bounce(const BouncePlane& plane, BouncingParticle& p, int& distance) {
    const Point3f& n = plane.normal;
    const float s = n.x * p.position.x + n.y * p.position.y + n.z * p.position.z - plane.d;
    if (!(s >= 0 && s <= 100)) return false;
    if (p.position.x < plane.minX || p.position.x > plane.maxX || p.position.z < plane.minZ ||
        p.position.z > plane.maxZ)
        return false;
    p.velocity.y *= -0.4f;
    p.velocity.x -= 2 * n.x;
    p.velocity.z -= 2 * n.z;
    if (p.velocity.y < -1) p.velocity.y = -p.velocity.y;
    distance = static_cast<int>(s);
    return true;
}

void collide(const std::vector<BouncePlane>& planes, BouncingParticle& p) {
    for (const BouncePlane& plane : planes) {
        int distance = 0;
        if (bounce(plane, p, distance) && distance != 0) return;
    }
}

void fall(ParticlePool<BouncingParticle>& pool, float gravity, float ageing) {
    pool.updateFromLast([&](BouncingParticle& p) {
        p.position.x += p.velocity.x, p.position.y += p.velocity.y, p.position.z += p.velocity.z;
        p.velocity.y -= gravity;
        p.age += ageing;
        return !(p.age > 5);
    });
}

} // namespace fx
