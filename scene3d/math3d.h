#pragma once
// Points, 4 x 4 matrices, planes and quaternions, in single precision; angles in radians.
// Coordinates are Y up.
#include <array>
#include <cstddef>
#include <cstdint>

namespace scene3d {

struct Point3f {
    float x = 0, y = 0, z = 0;
};

// A point (x, y, z) goes to (m0 x + m4 y + m8 z + m12, m1 x + m5 y + m9 z + m13,
// m2 x + m6 y + m10 z + m14): m12..m14 hold the translation, (m0, m1, m2), (m4, m5, m6) and
// (m8, m9, m10) the images of the axes.
struct Matrix4 {
    std::array<float, 16> m{};
    float& operator[](size_t i) { return m[i]; }
    float operator[](size_t i) const { return m[i]; }
};

// A point p is on the positive side when n . p + d > 0.
struct Plane {
    float nx = 0, ny = 0, nz = 0, d = 0;
};

struct Quaternion {
    float x = 0, y = 0, z = 0, w = 0;
};

void setIdentity(Matrix4& m);
void copyMatrix(Matrix4& dst, const Matrix4& src);
// dst transforms a point first by a, then by b. dst may not be a or b.
void multiplyMatrices(Matrix4& dst, const Matrix4& a, const Matrix4& b);
// The scaling first, then the old m.
void scaleMatrix(Matrix4& m, float sx, float sy, float sz);
// The old m, then the translation.
void translateMatrix(Matrix4& m, float tx, float ty, float tz);
// The old m, then a turn about Y by ay, about X by ax, about Z by az.
void rotateEuler(Matrix4& m, float ax, float ay, float az);
// Each triple (m[r], m[r + 4], m[r + 8]), r = 0 .. 3, to unit length unless it is zero.
void normaliseRows(Matrix4& m);
// The 3 x 3 rotation part replaced by its inverse; the rest unchanged.
void invert3x3(Matrix4& m);
void transformPoint(const Matrix4& m, Point3f& out, const Point3f& in);
// n = normalise((p2 - p1) x (p3 - p1)), d = -(n . p1).
void planeFromPoints(Plane& plane, const Point3f& p1, const Point3f& p2, const Point3f& p3);
// The rotation part and zero translation; m3, m7, m11 and m15 stay as they were.
void quaternionToMatrix(const Quaternion& q, Matrix4& m);
// (axis sin(angle / 2), cos(angle / 2)); the axis is not normalised.
void quaternionFromAxisAngle(Quaternion& q, const Point3f& axis, float angle);
// dst = s (x) q, the Hamilton product with s on the left.
void quaternionProduct(Quaternion& dst, const Quaternion& s, const Quaternion& q);
void copyWords(uint32_t* dst, const uint32_t* src, size_t n);
void fillWords(uint32_t* dst, uint32_t value, size_t n);

} // namespace scene3d
