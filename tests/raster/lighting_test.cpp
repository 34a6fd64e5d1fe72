#include <gtest/gtest.h>

#include <cmath>

#include "raster/lighting.h"

using namespace raster;
using scene3d::FaceData;
using scene3d::MeshFace;

namespace {

// A one-vertex, one-face mesh at p with normal n, lit by the given lights.
struct Lit {
    Mesh mesh;
    std::array<uint32_t, 256> palette{};
    SceneCamera camera;
    Lit(Point3f p, Point3f n) {
        for (uint32_t i = 0; i < 256; ++i)
            palette[i] = i;
        mesh.shadeTable = &palette;
        mesh.cameraVertices = {p};
        mesh.cameraVertexNormals = {n};
        mesh.cameraFaceNormals = {n};
        mesh.faceData.assign(1, FaceData{});
        mesh.lightVector = p;
    }
    float level(bool headlight = false) {
        vertexShade(mesh, camera, headlight, ShadeKind::GouraudLevel);
        return mesh.faceData[0].shade;
    }
    float shade(bool headlight = false) {
        vertexShade(mesh, camera, headlight, ShadeKind::ShadeSubtract);
        return mesh.faceData[0].shade;
    }
};

SceneLight omni(Point3f at, float inner, float outer) {
    SceneLight l;
    l.cameraPosition = at, l.innerRange = inner, l.outerRange = outer;
    return l;
}

} // namespace

TEST(Lighting, RangesFadeLinearlyToTheOuterRange) {
    // The point lies 100 along +z from the light and faces away from it: lit head-on.
    Lit lit({0, 0, 100}, {0, 0, 1});
    SceneLight light = omni({0, 0, 0}, 50, 100);
    lit.mesh.meshLights = {&light};
    EXPECT_FLOAT_EQ(lit.level(), 30.0f) << "at the outer range: ambient only";
    EXPECT_FLOAT_EQ(lit.shade(), 225.0f);
    light.outerRange = 150;
    EXPECT_NEAR(lit.level(), 30 + 225 * (1 - 50.0f / 100), 1e-3);
    light.innerRange = 200, light.outerRange = 300;
    EXPECT_NEAR(lit.level(), 255.0f, 1e-6) << "30 + 225 is at the top already";
    lit.mesh.diffuse = 400;
    EXPECT_EQ(lit.level(), 255.0f);
    EXPECT_EQ(lit.shade(), 0.0f);
    // A surface facing the light gets nothing from it.
    lit.mesh.cameraVertexNormals = {{0, 0, -1}};
    EXPECT_EQ(lit.level(), 30.0f);
}

TEST(Lighting, SpotCones) {
    Lit lit({0, 0, 100}, {0, 0, 1});
    SceneLight spot = omni({0, 0, 0}, 1000, 2000);
    spot.spot = true, spot.hotspot = 20, spot.falloff = 40;
    spot.cameraSpotAxis = {0, 0, 1};
    lit.mesh.meshLights = {&spot};
    EXPECT_NEAR(lit.level(), 255.0f, 1e-4) << "inside the hotspot: the full base";
    // The point seen at exactly the falloff angle from the axis gets nothing.
    const float fall = 40 * 0.0055555557f * 3.1415927f;
    const float mid = 30 * 0.0055555557f * 3.1415927f;
    spot.cameraSpotAxis = {std::sin(fall), 0, std::cos(fall)};
    EXPECT_NEAR(contribution(sceneLightSource(spot), {0, 0, 100}, {0, 0, 1}, 225), 0.0f, 0.05f);
    spot.cameraSpotAxis = {std::sin(mid), 0, std::cos(mid)};
    EXPECT_NEAR(contribution(sceneLightSource(spot), {0, 0, 100}, {0, 0, 1}, 225), 112.5f, 0.05f)
        << "half way down the fall";
}

TEST(Lighting, HeadlightSpotSideTriplesOnTheAxis) {
    Lit lit({0, 0, 100}, {0, 0, 1});
    lit.camera.viewDirection = {0, 0, 1};
    lit.camera.lightStart = 500, lit.camera.lightEnd = 800;
    lit.mesh.diffuse = 50;
    EXPECT_NEAR(lit.level(true), 80.0f, 1e-4) << "not a spot: the base";
    lit.camera.spotMode = 1;
    EXPECT_NEAR(lit.level(true), 80.0f, 1e-4) << "a spot, inside the hotspot: the base";
    lit.camera.spotSide = 1;
    EXPECT_NEAR(lit.level(true), 30.0f + 3 * 50, 1e-3)
        << "spot side, theta 0, hotspot 40, falloff 60";
}

TEST(Lighting, FaceColourTruncatesAfterEveryLight) {
    // Two lights giving 10.7 each (107 x the fade 0.1): 30 -> 40 -> 50, not 51.
    Lit lit({0, 0, 9}, {0, 0, 1});
    lit.mesh.diffuse = 107;
    SceneLight a = omni({0, 0, 0}, 0, 10), b = omni({0, 0, 0}, 0, 10);
    lit.mesh.meshLights = {&a, &b};
    MeshFace face;
    EXPECT_NEAR(contribution(sceneLightSource(a), {0, 0, 9}, {0, 0, 1}, 107), 10.7f, 1e-4);
    EXPECT_EQ(faceColour(lit.mesh, lit.camera, face, false, LightFrom::FirstVertex), 50u);
    // The Gouraud level keeps the fractions.
    EXPECT_NEAR(lit.level(), 51.4f, 1e-3);
    // From the object centre: a centre out of range of both lights leaves the ambient.
    lit.mesh.lightVector = {0, 0, 50};
    EXPECT_EQ(faceColour(lit.mesh, lit.camera, face, false, LightFrom::ObjectCentre), 30u);
    // An intensity past the palette takes its last entry.
    lit.mesh.diffuse = 5000;
    EXPECT_EQ(faceColour(lit.mesh, lit.camera, face, false, LightFrom::FirstVertex), 255u);
}

TEST(Lighting, DirectionalShade) {
    Lit lit({0, 0, 9}, {0, 0, 1});
    lit.mesh.ambient = 20, lit.mesh.diffuse = 200;
    SceneLight l;
    l.towardLight = {0, 0.6f, 0.8f};
    lit.mesh.meshLights = {&l};
    MeshFace face;
    EXPECT_EQ(directionalShade(lit.mesh, face), 20 + 160);
    l.towardLight = {0, 0, -1};
    EXPECT_EQ(directionalShade(lit.mesh, face), 20);
    lit.mesh.meshLights.clear();
    EXPECT_EQ(directionalShade(lit.mesh, face), 20);
}
