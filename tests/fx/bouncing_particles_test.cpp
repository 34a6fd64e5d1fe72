// Falling, bouncing particles: the bounce zone, the velocity rules, the order of the planes,
// and the pool's walk from the last live particle.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fx/bouncing_particles.h"
#include "scene3d/camera.h"

using namespace fx;
using scene3d::Point3f;

namespace {

BouncePlane floorAt(float y) {
    BouncePlane b;
    b.normal = {0, 1, 0}, b.d = y;
    b.minX = -50, b.maxX = 50, b.minZ = -50, b.maxZ = 50;
    return b;
}

BouncingParticle above(float height, float vy) {
    BouncingParticle p;
    p.position = {0, height, 0}, p.velocity = {1, vy, -1};
    return p;
}

} // namespace

TEST(BouncingParticles, ZoneOfAHundredAboveThePlaneWithinItsExtent) {
    const BouncePlane plane = floorAt(10);
    int d = -1;
    BouncingParticle p = above(110, -10);
    EXPECT_TRUE(bounce(plane, p, d));
    EXPECT_EQ(d, 100);
    p = above(110.5f, -10);
    EXPECT_FALSE(bounce(plane, p, d));
    EXPECT_EQ(p.velocity.y, -10);
    p = above(9.5f, -10); // below the plane
    EXPECT_FALSE(bounce(plane, p, d));
    p = above(50, -10);
    p.position.x = 50.5f; // outside the extent
    EXPECT_FALSE(bounce(plane, p, d));
    p.position.x = 50;
    EXPECT_TRUE(bounce(plane, p, d));
}

TEST(BouncingParticles, VelocityRules) {
    const BouncePlane plane = floorAt(0);
    int d = 0;
    for (const auto& [in, out] :
         std::vector<std::pair<float, float>>{{-10, 4}, {10, 4}, {2, -0.8f}, {-2.5f, 1}, {0, 0}}) {
        BouncingParticle p = above(20, in);
        ASSERT_TRUE(bounce(plane, p, d));
        EXPECT_FLOAT_EQ(p.velocity.y, out) << in;
    }
    // A tilted plane pushes x and z by twice its normal.
    BouncePlane tilted = floorAt(0);
    tilted.normal = {0.6f, 0.8f, 0};
    BouncingParticle p = above(20, -5);
    ASSERT_TRUE(bounce(tilted, p, d));
    EXPECT_FLOAT_EQ(p.velocity.x, 1 - 1.2f);
    EXPECT_FLOAT_EQ(p.velocity.z, -1);
}

TEST(BouncingParticles, AParticleOnAPlaneLetsTheNextTry) {
    // Half a unit above the first plane: it bounces at distance 0, so the second bounces it
    // again; at 30 above the first, the second is never tried.
    const std::vector<BouncePlane> planes = {floorAt(0), floorAt(-20)};
    BouncingParticle p = above(0.5f, -2);
    collide(planes, p);
    EXPECT_FLOAT_EQ(p.velocity.y, -0.32f); // -2 -> 0.8 -> -0.32
    EXPECT_FLOAT_EQ(p.velocity.x, 1);
    p = above(30, -10);
    collide(planes, p);
    EXPECT_FLOAT_EQ(p.velocity.y, 4);
    // Nothing in reach: unchanged.
    p = above(300, -10);
    collide(planes, p);
    EXPECT_FLOAT_EQ(p.velocity.y, -10);
}

TEST(BouncingParticles, PlaneFromFaceZeroAndTheMeshExtent) {
    scene3d::Mesh m;
    m.vertices = {{0, 0, 0}, {0, 10, 100}, {100, 10, 100}, {100, 0, 0}};
    m.faces = {{0, 0, 1, 2, 0, 0}, {1, 0, 2, 3, 0, 0}};
    m.position = {5, 20, -7};
    scene3d::placeMesh(m);
    const BouncePlane b = planeFromMesh(m);
    EXPECT_NEAR(b.normal.y, 100 / std::sqrt(100.0f * 100 + 10 * 10), 1e-5);
    EXPECT_NEAR(b.normal.z, -10 / std::sqrt(100.0f * 100 + 10 * 10), 1e-5);
    EXPECT_NEAR(b.d, b.normal.y * 20 + b.normal.z * -7, 1e-4);
    EXPECT_FLOAT_EQ(b.minX, 5);
    EXPECT_FLOAT_EQ(b.maxX, 105);
    EXPECT_FLOAT_EQ(b.minZ, -7);
    EXPECT_FLOAT_EQ(b.maxZ, 93);
    // A face without area, or no face, bounces nothing.
    m.vertices[1] = m.vertices[0];
    BouncingParticle p = above(25, -1);
    int d = 0;
    EXPECT_FALSE(bounce(planeFromMesh(m), p, d));
    scene3d::Mesh none;
    EXPECT_FALSE(bounce(planeFromMesh(none), p, d));
}

TEST(BouncingParticles, FallWalksFromTheLastAndTurnsTheListRound) {
    ParticlePool<BouncingParticle> pool(4);
    for (int i = 0; i < 3; ++i)
        pool.spawn()->brightness = static_cast<float>(i);
    std::vector<float> order;
    pool.forEach([&](const BouncingParticle& p) { order.push_back(p.brightness); });
    EXPECT_EQ(order, (std::vector<float>{0, 1, 2}));
    std::vector<float> walked;
    pool.updateFromLast([&](BouncingParticle& p) {
        walked.push_back(p.brightness);
        return p.brightness != 1;
    });
    EXPECT_EQ(walked, (std::vector<float>{2, 1, 0}));
    order.clear();
    pool.forEach([&](const BouncingParticle& p) { order.push_back(p.brightness); });
    EXPECT_EQ(order, (std::vector<float>{2, 0}));
    // Moving, falling, ageing; past age 5 a particle dies and its slot is free again.
    pool.forEach([](BouncingParticle& p) {
        p.velocity = {1, 0, 0}, p.age = p.brightness == 2 ? 4.9f : 0;
    });
    fall(pool, 0.5f, 0.2f);
    EXPECT_EQ(pool.liveCount(), 1);
    pool.forEach([](const BouncingParticle& p) {
        EXPECT_FLOAT_EQ(p.position.x, 1);
        EXPECT_FLOAT_EQ(p.velocity.y, -0.5f);
        EXPECT_FLOAT_EQ(p.age, 0.2f);
    });
    EXPECT_NE(pool.spawn(), nullptr);
    EXPECT_NE(pool.spawn(), nullptr);
    EXPECT_NE(pool.spawn(), nullptr);
    EXPECT_EQ(pool.spawn(), nullptr);
}
