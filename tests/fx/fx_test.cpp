// The shared effects: B-spline paths, the scene pass's buckets and hooks, flares.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fx/colour_tables.h"
#include "fx/light_flares.h"
#include "fx/scene_pass.h"
#include "fx/splines.h"
#include "scene3d/camera.h"
#include "scene3d/scene.h"

using namespace fx;
using namespace scene3d;

TEST(Splines, SampleCountsAndTheCurveThroughItsControlPoints) {
    std::vector<Point3f> c;
    for (int i = 0; i < 20; ++i)
        c.push_back({static_cast<float>(i * i), static_cast<float>(i), 0});
    EXPECT_EQ(sampleBSpline(c, 50).size(), 17u * 50);
    EXPECT_EQ(sampleBSpline(c, 100).size(), 1700u);
    EXPECT_TRUE(sampleBSpline({c[0], c[1], c[2]}, 100).empty());
    // Sample 0 of a segment is (p0 + 4 p1 + p2) / 6; a straight, evenly spaced run stays on it.
    const Point3f first = bSplinePoint(c.data(), 0, 10);
    EXPECT_FLOAT_EQ(first.x, (0 + 4 * 1 + 4) / 6.0f);
    EXPECT_FLOAT_EQ(first.y, 1);
    const std::vector<Point3f> path = sampleBSpline(c, 10);
    for (size_t a = 0; a < path.size(); ++a)
        EXPECT_NEAR(path[a].y, 1 + static_cast<float>(a) / 10, 1e-4) << a;
}

TEST(Splines, CatmullRomPassesThroughItsEndsWithTheirTangents) {
    const Point3f p0{0, 0, 0}, p1{10, 0, 0}, p2{20, 10, 0}, p3{30, 10, 5};
    const Point3f a = catmullRomPoint(p0, p1, p2, p3, 0), b = catmullRomPoint(p0, p1, p2, p3, 1);
    EXPECT_FLOAT_EQ(a.x, 10);
    EXPECT_FLOAT_EQ(a.y, 0);
    EXPECT_FLOAT_EQ(b.x, 20);
    EXPECT_FLOAT_EQ(b.y, 10);
    EXPECT_FLOAT_EQ(b.z, 0);
    // Evenly spaced points on a line stay on it, evenly.
    const Point3f m = catmullRomPoint({0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}, 0.25f);
    EXPECT_FLOAT_EQ(m.x, 1.25f);
    EXPECT_FLOAT_EQ(m.z, 1.25f);
}

TEST(ColourTables, GreyRamp) {
    const ColourTable g = makeGreyRamp();
    EXPECT_EQ(g[0], 0u);
    EXPECT_EQ(g[1], 0x00010101u);
    EXPECT_EQ(g[255], 0x00FFFFFFu);
}

TEST(ScenePass, OpaqueBucketFirstThenTranslucentWithTheHookOnEveryDrawnMesh) {
    Scene3ds scene;
    auto add = [&](const char* name, int32_t mode, uint32_t flags) {
        auto m = std::make_unique<Mesh>();
        buildCube(*m, 10);
        m->name = name, m->renderMode = mode;
        m->flags = (m->flags | flags);
        scene.meshes.push_back(std::move(m));
    };
    add("glass", 74, 0);    // FLATZTRANSADD: second bucket
    add("box", 73, 0);      // FLATZ: first
    add("door", 501, 0);    // hidden: first, draws nothing
    add("unmapped", 40, 0); // a texture mode without mapping: skipped
    add("off", 73, 0);
    scene.meshes.back()->flags &= ~kDrawnByScene;
    SceneCamera camera;
    setupCamera(camera, 0, 0, -100, 60, 64, 32);
    finishCameraStep(camera);
    beginCameraStep(camera);
    picture::Image32 target;
    target.create(64, 32);
    std::vector<std::string> order;
    ScenePass pass;
    pass.beforeMesh = [&](Mesh& m) { order.push_back(m.name); };
    drawScene(scene, camera, target, pass);
    EXPECT_EQ(order, (std::vector<std::string>{"box", "door", "glass"}));
    order.clear();
    pass.select = [](const Mesh& m) { return m.name == "off"; };
    drawScene(scene, camera, target, pass);
    EXPECT_EQ(order, (std::vector<std::string>{"off"}));
}

TEST(LightFlares, BehindTheNearPlaneNothingBeyondItDepthTested) {
    SceneCamera camera;
    setupCamera(camera, 0, 0, 0, 60, 64, 64);
    finishCameraStep(camera);
    picture::Image32 target, flare;
    target.create(64, 64);
    flare.create(4, 4);
    for (size_t i = 0; i < flare.pixelCount(); ++i)
        flare.pixels[i] = 0x00202020;
    std::vector<int32_t> depth(64 * 64, 0);
    auto lit = [&] {
        int n = 0;
        for (size_t i = 0; i < target.pixelCount(); ++i)
            n += target.pixels[i] != 0;
        return n;
    };
    drawFlare(target, flare, {0, 0, 1}, camera, 1, depth.data());
    EXPECT_EQ(lit(), 0);
    drawFlare(target, flare, {0, 0, 50}, camera, 1, depth.data(), 3);
    EXPECT_GT(lit(), 0);
    EXPECT_EQ(target.pixels[32 * 64 + 32] & 0xFF, 0x60u) << "three copies added";
    std::fill(target.pixels, target.pixels + target.pixelCount(), 0u);
    std::fill(depth.begin(), depth.end(), 1 << 26); // a surface at z = 1 hides it
    drawFlare(target, flare, {0, 0, 50}, camera, 1, depth.data());
    EXPECT_EQ(lit(), 0);
    EXPECT_FLOAT_EQ(flareScale(50, 100), 1);
    EXPECT_FLOAT_EQ(flareScale(300, 100), 3);
}
