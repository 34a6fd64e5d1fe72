#include "scene3d/math3d.h"

#include <xmmintrin.h>

#include <array>
#include <cmath>
#include <cstring>

namespace scene3d {

void setIdentity(Matrix4& m) {
    m.m.fill(0.0f);
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void copyMatrix(Matrix4& dst, const Matrix4& src) {
    dst = src;
}

// Row i of dst is the sum, from zero and in order of k, of b's row k times a[4i + k]: four
// columns at once, each the same operations in the same order as a lane of its own.
void multiplyMatrices(Matrix4& dst, const Matrix4& a, const Matrix4& b) {
    const float* bm = b.m.data();
    const __m128 rows[4] = {_mm_loadu_ps(bm), _mm_loadu_ps(bm + 4), _mm_loadu_ps(bm + 8),
                            _mm_loadu_ps(bm + 12)};
    for (size_t i = 0; i < 4; ++i) {
        const std::array<float, 4> ai = {a[4 * i], a[4 * i + 1], a[4 * i + 2], a[4 * i + 3]};
        __m128 sum = _mm_setzero_ps();
        for (size_t k = 0; k < 4; ++k)
            sum = _mm_add_ps(sum, _mm_mul_ps(rows[k], _mm_set1_ps(ai[k])));
        _mm_storeu_ps(dst.m.data() + 4 * i, sum);
    }
}

void scaleMatrix(Matrix4& m, float sx, float sy, float sz) {
    Matrix4 s, out;
    setIdentity(s);
    s[0] = sx, s[5] = sy, s[10] = sz;
    multiplyMatrices(out, s, m);
    m = out;
}

void translateMatrix(Matrix4& m, float tx, float ty, float tz) {
    Matrix4 t, out;
    setIdentity(t);
    t[12] = tx, t[13] = ty, t[14] = tz;
    multiplyMatrices(out, m, t);
    m = out;
}

void rotateEuler(Matrix4& m, float ax, float ay, float az) {
    Matrix4 rx, ry, rz, t1, t2, t3;
    setIdentity(rx), setIdentity(ry), setIdentity(rz);
    const float cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay);
    const float cz = std::cos(az), sz = std::sin(az);
    // About X: y' = c y - s z, z' = s y + c z (column layout: m[4k + row]).
    rx[5] = cx, rx[9] = -sx, rx[6] = sx, rx[10] = cx;
    // About Y: x' = c x + s z, z' = -s x + c z.
    ry[0] = cy, ry[8] = sy, ry[2] = -sy, ry[10] = cy;
    // About Z: x' = c x - s y, y' = s x + c y.
    rz[0] = cz, rz[4] = -sz, rz[1] = sz, rz[5] = cz;
    multiplyMatrices(t1, m, ry);
    multiplyMatrices(t2, t1, rx);
    multiplyMatrices(t3, t2, rz);
    m = t3;
}

void normaliseRows(Matrix4& m) {
    for (size_t r = 0; r < 4; ++r) {
        const float len = std::sqrt(m[r] * m[r] + m[r + 4] * m[r + 4] + m[r + 8] * m[r + 8]);
        if (len == 0.0f) continue;
        m[r] /= len, m[r + 4] /= len, m[r + 8] /= len;
    }
}

void invert3x3(Matrix4& m) {
    const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6],
                i = m[10];
    const float c00 = e * i - f * h, c01 = -(d * i - f * g), c02 = d * h - e * g;
    const float det = a * c00 + b * c01 + c * c02;
    if (det == 0.0f) return; // a singular frame stays as it is
    const float inv = 1.0f / det;
    m[0] = c00 * inv;
    m[4] = -(b * i - c * h) * inv;
    m[8] = (b * f - c * e) * inv;
    m[1] = c01 * inv;
    m[5] = (a * i - c * g) * inv;
    m[9] = -(a * f - c * d) * inv;
    m[2] = c02 * inv;
    m[6] = -(a * h - b * g) * inv;
    m[10] = (a * e - b * d) * inv;
}

void transformPoint(const Matrix4& m, Point3f& out, const Point3f& in) {
    const Point3f p = in; // out may be in
    out.x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
    out.y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
    out.z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
}

void planeFromPoints(Plane& plane, const Point3f& p1, const Point3f& p2, const Point3f& p3) {
    const float ux = p2.x - p1.x, uy = p2.y - p1.y, uz = p2.z - p1.z;
    const float vx = p3.x - p1.x, vy = p3.y - p1.y, vz = p3.z - p1.z;
    float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (len != 0.0f) nx /= len, ny /= len, nz /= len;
    plane = {nx, ny, nz, -(nx * p1.x + ny * p1.y + nz * p1.z)};
}

void quaternionToMatrix(const Quaternion& q, Matrix4& m) {
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    m[0] = 1 - 2 * y * y - 2 * z * z, m[1] = 2 * x * y - 2 * z * w, m[2] = 2 * x * z + 2 * y * w;
    m[4] = 2 * x * y + 2 * z * w, m[5] = 1 - 2 * x * x - 2 * z * z, m[6] = 2 * y * z - 2 * x * w;
    m[8] = 2 * x * z - 2 * y * w, m[9] = 2 * y * z + 2 * x * w, m[10] = 1 - 2 * x * x - 2 * y * y;
    m[12] = m[13] = m[14] = 0.0f;
}

void quaternionFromAxisAngle(Quaternion& q, const Point3f& axis, float angle) {
    const float s = std::sin(angle / 2);
    q = {axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2)};
}

void quaternionProduct(Quaternion& dst, const Quaternion& s, const Quaternion& q) {
    const Quaternion r{s.w * q.x + s.x * q.w + s.y * q.z - s.z * q.y,
                       s.w * q.y + s.y * q.w + s.z * q.x - s.x * q.z,
                       s.w * q.z + s.z * q.w + s.x * q.y - s.y * q.x,
                       s.w * q.w - s.x * q.x - s.y * q.y - s.z * q.z};
    dst = r;
}

void copyWords(uint32_t* dst, const uint32_t* src, size_t n) {
    std::memcpy(dst, src, n * sizeof(uint32_t));
}
void fillWords(uint32_t* dst, uint32_t value, size_t n) {
    for (size_t i = 0; i < n; ++i)
        dst[i] = value;
}

} // namespace scene3d
