#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "scene3d/math3d.h"

using namespace scene3d;

namespace {

constexpr float kHalfPi = 1.57079633f;

Point3f apply(const Matrix4& m, Point3f p) {
    Point3f out;
    transformPoint(m, out, p);
    return out;
}

void expectNear(Point3f p, float x, float y, float z) {
    EXPECT_NEAR(p.x, x, 1e-6f);
    EXPECT_NEAR(p.y, y, 1e-6f);
    EXPECT_NEAR(p.z, z, 1e-6f);
}

} // namespace

TEST(Math3d, EulerTurnsTakeTheAxesWhereThePartSays) {
    Matrix4 m;
    setIdentity(m);
    rotateEuler(m, kHalfPi, 0, 0);
    expectNear(apply(m, {0, 1, 0}), 0, 0, 1);
    setIdentity(m);
    rotateEuler(m, 0, kHalfPi, 0);
    expectNear(apply(m, {1, 0, 0}), 0, 0, -1);
    setIdentity(m);
    rotateEuler(m, 0, 0, kHalfPi);
    expectNear(apply(m, {1, 0, 0}), 0, 1, 0);
    // Order: Y first, then X, then Z. (1, 0, 0) -Y 90-> (0, 0, -1) -X 90-> (0, 1, 0) -Z 90-> (-1,
    // 0, 0).
    setIdentity(m);
    rotateEuler(m, kHalfPi, kHalfPi, kHalfPi);
    expectNear(apply(m, {1, 0, 0}), -1, 0, 0);
}

TEST(Math3d, ScaleAndTranslateComposeEitherWay) {
    Matrix4 a, b;
    setIdentity(a);
    scaleMatrix(a, 2, 3, 4);
    translateMatrix(a, 10, 20, 30);
    setIdentity(b);
    translateMatrix(b, 10, 20, 30);
    scaleMatrix(b, 2, 3, 4);
    expectNear(apply(a, {1, 1, 1}), 12, 23, 34);
    for (size_t i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(a[i], b[i]) << i;
    // The matrix a point goes through first is on the left.
    Matrix4 move, turn, both;
    setIdentity(move), setIdentity(turn);
    translateMatrix(move, 1, 0, 0);
    rotateEuler(turn, 0, 0, kHalfPi);
    multiplyMatrices(both, move, turn);
    expectNear(apply(both, {0, 0, 0}), 0, 1, 0);
}

// Scene placements are compared bit for bit across runs and machines: the product must be
// the sums from zero in order of k, whatever the form it is computed in, also in place.
TEST(Math3d, ProductsAreTheInOrderSumsBitForBit) {
    uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<int32_t>(seed >> 8) - (1 << 23)) / 65536.0f;
    };
    for (int round = 0; round < 50; ++round) {
        Matrix4 a, b;
        for (size_t i = 0; i < 16; ++i)
            a[i] = next(), b[i] = next() * 1e-3f;
        a[3] = -0.0f;
        Matrix4 expected;
        for (size_t i = 0; i < 4; ++i)
            for (size_t j = 0; j < 4; ++j) {
                float sum = 0.0f;
                for (size_t k = 0; k < 4; ++k)
                    sum += b[4 * k + j] * a[4 * i + k];
                expected[4 * i + j] = sum;
            }
        Matrix4 product, left = a, right = b;
        multiplyMatrices(product, a, b);
        multiplyMatrices(left, left, b);
        multiplyMatrices(right, a, right);
        for (size_t i = 0; i < 16; ++i) {
            EXPECT_EQ(std::bit_cast<uint32_t>(product[i]), std::bit_cast<uint32_t>(expected[i]));
            EXPECT_EQ(std::bit_cast<uint32_t>(left[i]), std::bit_cast<uint32_t>(expected[i]));
            EXPECT_EQ(std::bit_cast<uint32_t>(right[i]), std::bit_cast<uint32_t>(expected[i]));
        }
    }
}

TEST(Math3d, NormaliseInvertAndPlanes) {
    Matrix4 m;
    m.m.fill(0);
    m[0] = 3, m[4] = 4, m[12] = 7, m[15] = 1; // row 0 has length 5; rows 1 .. 3 are zero
    normaliseRows(m);
    EXPECT_FLOAT_EQ(m[0], 0.6f);
    EXPECT_FLOAT_EQ(m[4], 0.8f);
    EXPECT_FLOAT_EQ(m[1], 0.0f);
    EXPECT_FLOAT_EQ(m[12], 7.0f);

    Matrix4 r;
    setIdentity(r);
    rotateEuler(r, 0.3f, 1.1f, -0.7f);
    scaleMatrix(r, 2, 0.5f, 3);
    r[12] = 5;
    Matrix4 inv = r, product;
    invert3x3(inv);
    EXPECT_FLOAT_EQ(inv[12], 5.0f);
    inv[12] = 0, r[12] = 0;
    multiplyMatrices(product, r, inv);
    for (size_t i : {0u, 5u, 10u})
        EXPECT_NEAR(product[i], 1.0f, 1e-5f);
    for (size_t i : {1u, 2u, 4u, 6u, 8u, 9u})
        EXPECT_NEAR(product[i], 0.0f, 1e-5f);

    Plane p;
    planeFromPoints(p, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    EXPECT_FLOAT_EQ(p.nz, 1.0f);
    EXPECT_FLOAT_EQ(p.d, 0.0f);
    planeFromPoints(p, {0, 0, 5}, {1, 0, 5}, {0, 1, 5});
    EXPECT_FLOAT_EQ(p.d, -5.0f);
}

TEST(Math3d, Quaternions) {
    Matrix4 m;
    setIdentity(m);
    m[15] = 9;
    quaternionToMatrix({0, 0, 0, 1}, m);
    for (size_t i = 0; i < 11; ++i)
        EXPECT_FLOAT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    EXPECT_FLOAT_EQ(m[15], 9.0f);
    quaternionToMatrix({0, 0, 0, 0}, m);
    EXPECT_FLOAT_EQ(m[0], 1.0f);
    EXPECT_FLOAT_EQ(m[5], 1.0f);
    EXPECT_FLOAT_EQ(m[1], 0.0f);

    Quaternion a, b, ab;
    quaternionFromAxisAngle(a, {0, 1, 0}, kHalfPi);
    quaternionFromAxisAngle(b, {0, 1, 0}, kHalfPi);
    quaternionProduct(ab, a, b);
    EXPECT_NEAR(ab.y, 1.0f, 1e-6f); // 180 degrees about Y
    EXPECT_NEAR(ab.w, 0.0f, 1e-6f);
    // Not commutative: s on the left.
    Quaternion x, y, xy, yx;
    quaternionFromAxisAngle(x, {1, 0, 0}, kHalfPi);
    quaternionFromAxisAngle(y, {0, 1, 0}, kHalfPi);
    quaternionProduct(xy, x, y);
    quaternionProduct(yx, y, x);
    EXPECT_NEAR(xy.z, 0.5f, 1e-6f);
    EXPECT_NEAR(yx.z, -0.5f, 1e-6f);
}
