#pragma once
// Meshes for the machine scene, built in the production's own coordinates (Y up) around each
// object's origin. A face's corners run so that (b - a) x (c - a) points into the solid: the
// side the production's culling keeps faces the viewer.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writers/scene3ds_writer.h"

namespace datagen {

struct P3 {
    double x = 0, y = 0, z = 0;
};
inline P3 operator+(P3 a, P3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline P3 operator-(P3 a, P3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline P3 operator*(P3 a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}
inline P3 cross(P3 a, P3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double dot(P3 a, P3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
P3 normalised(P3 a);

struct Shape {
    std::string name, material; // material empty: no mapping
    std::vector<P3> vertices;
    std::vector<std::array<uint16_t, 3>> faces;
    std::vector<std::array<float, 2>> mapping; // per vertex when the shape is textured

    uint16_t vertex(P3 p, float u = 0, float v = 0);
    // The two triangles of a quad whose outside is (a10 - a00) x (a01 - a00).
    void quad(uint16_t a00, uint16_t a10, uint16_t a11, uint16_t a01);
    // Each face turned, where needed, so that its inside looks toward `centre`; for convex pieces.
    void orientToward(size_t firstFace, P3 centre);
    void move(P3 by);
};

// A rectangle origin + s U + t V (s, t in 0..1), nu x nv cells, outside U x V; the texture
// repeats uRepeat x vRepeat times over it.
void addSurface(Shape& s, P3 origin, P3 u, P3 v, int nu, int nv, double uRepeat, double vRepeat);
// A box from lo to hi, cells of about `cell` units, the texture once per `texel` units.
void addBox(Shape& s, P3 lo, P3 hi, double cell, double texel);
// A surface of revolution about the Y axis through (r, y) profile points; a profile running
// counter-clockwise in the (r, y) plane has its outside outward. A point with r = 0 is one
// vertex. `seam` repeats the first column of vertices for the texture's wrap.
void addLathe(Shape& s, const std::vector<std::array<double, 2>>& profile, int segments, bool seam,
              double uRepeat, double vRepeat);
// A toothed disc in the XY plane, `depth` thick, around a hole.
void addCog(Shape& s, double outer, double root, double hole, int teeth, double depth);
// A tube of triangle rings along a path: three vertices a ring, each ring turned 60 degrees
// from the last, so that every vertex triple's centroid is a path point.
void addTriangleLoft(Shape& s, const std::vector<P3>& path, double radius);

// The shape in the file's coordinates (Z up).
writers::Mesh3ds toMesh3ds(const Shape& s);
inline writers::Vec3 fileVec(P3 p) {
    return {static_cast<float>(p.x), static_cast<float>(p.z), static_cast<float>(p.y)};
}

} // namespace datagen
