#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

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

// Reproducible random points, normals, lights and headlights for the lane tests.
struct Random {
    uint32_t seed;
    float operator()(float lo, float hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * static_cast<float>(seed >> 8) / 16777216.0f;
    }
    Point3f unit() {
        const Point3f v{(*this)(-1, 1), (*this)(-1, 1), (*this)(-1, 1)};
        const float n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        return Point3f{v.x / n, v.y / n, v.z / n};
    }
    void light(SceneLight& l, bool spot) {
        l.cameraPosition = {(*this)(-200, 200), (*this)(-200, 200), (*this)(-100, 300)};
        l.innerRange = (*this)(0, 300), l.outerRange = l.innerRange + (*this)(0, 500);
        l.spot = spot, l.hotspot = (*this)(5, 40), l.falloff = l.hotspot + (*this)(0, 30);
        l.cameraSpotAxis = unit();
    }
    // Looking along +z, so that most points are ahead, in or near the cone.
    SceneCamera headlight(int round) {
        SceneCamera camera;
        camera.viewDirection = {0, 0, 1};
        camera.spotMode = round % 3 != 2, camera.spotSide = round % 8 == 1;
        camera.lightStart = (*this)(0, 300), camera.lightEnd = camera.lightStart + (*this)(1, 500);
        return camera;
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

TEST(Lighting, FourAtATimeMatchesTheRuleLaneByLane) {
    // Random points, normals and lights of every kind against contribution() one vertex at a
    // time: the vertex records must be the same floats to the bit, and unlisted vertices keep
    // theirs.
    Random rnd{12345u};
    for (int round = 0; round < 40; ++round) {
        const size_t count = 1 + round % 11;
        Mesh mesh;
        mesh.ambient = round % 60, mesh.diffuse = 50 + round * 7;
        for (size_t i = 0; i < count; ++i) {
            mesh.cameraVertices.push_back({rnd(-300, 300), rnd(-300, 300), rnd(-50, 600)});
            mesh.cameraVertexNormals.push_back(rnd.unit());
        }
        std::vector<SceneLight> lights(1 + round % 3);
        for (SceneLight& l : lights) {
            rnd.light(l, round % 2 == 1);
            mesh.meshLights.push_back(&l);
        }
        if (round % 5 == 0) mesh.cameraVertices[0] = lights[0].cameraPosition; // no direction
        const SceneCamera camera = rnd.headlight(round);
        const bool headlight = round % 4 == 1;
        const ShadeKind kind = round % 2 ? ShadeKind::ShadeSubtract : ShadeKind::GouraudLevel;
        mesh.faceData.assign(count, FaceData{});
        std::vector<int32_t> which;
        for (size_t i = 0; i < count; ++i)
            if (i % 3 != 1) which.push_back(static_cast<int32_t>(i));
        for (size_t i = 0; i < count; ++i)
            mesh.faceData[i].shade = -7;
        vertexShade(mesh, camera, headlight, kind, which);
        for (size_t i = 0; i < count; ++i) {
            float want = -7;
            if (i % 3 != 1) {
                const float sign = kind == ShadeKind::GouraudLevel ? 1.0f : -1.0f;
                want = kind == ShadeKind::GouraudLevel ? static_cast<float>(mesh.ambient)
                                                       : 255.0f - static_cast<float>(mesh.ambient);
                const auto k = static_cast<float>(mesh.diffuse);
                const Point3f &p = mesh.cameraVertices[i], &n = mesh.cameraVertexNormals[i];
                if (headlight)
                    want += sign * contribution(headlightSource(camera), p, n, k);
                else
                    for (const SceneLight& l : lights)
                        want += sign * contribution(sceneLightSource(l), p, n, k);
                if (kind == ShadeKind::GouraudLevel && want > 255.0f) want = 255.0f;
                if (kind == ShadeKind::ShadeSubtract && want < 0.0f) want = 0.0f;
            }
            uint32_t got, expected;
            std::memcpy(&got, &mesh.faceData[i].shade, 4), std::memcpy(&expected, &want, 4);
            EXPECT_EQ(got, expected) << "round " << round << " vertex " << i << ": "
                                     << mesh.faceData[i].shade << " against " << want;
        }
    }
}

TEST(Lighting, FaceColoursFourAtATimeAreTheOneByOneColours) {
    // Faces lit by random lights, by the headlight, from their first corner or the centre,
    // with intensities past both ends of the palette: every listed face's colour must be
    // faceColour()'s, in list order, and nothing past the list is written.
    Random rnd{777u};
    std::array<uint32_t, 256> palette{};
    for (uint32_t i = 0; i < 256; ++i)
        palette[i] = 0x010203u * i + 7;
    for (int round = 0; round < 40; ++round) {
        const size_t faces = 1 + round % 13;
        Mesh mesh;
        mesh.shadeTable = &palette;
        mesh.ambient = round % 7 == 3 ? -40 : round % 60, mesh.diffuse = round % 9 == 4 ? 4000 : 90;
        if (round % 10 == 7) mesh.ambient = INT32_MAX - 5; // as a float, past the int range
        for (size_t i = 0; i < faces; ++i) {
            mesh.cameraVertices.push_back({rnd(-300, 300), rnd(-300, 300), rnd(-50, 600)});
            mesh.cameraFaceNormals.push_back(rnd.unit());
            MeshFace f;
            f.a = static_cast<int32_t>(i), f.index = static_cast<int32_t>(i);
            mesh.faces.push_back(f);
        }
        mesh.lightVector = {rnd(-100, 100), rnd(-100, 100), rnd(0, 400)};
        std::vector<SceneLight> lights(round % 4);
        for (SceneLight& l : lights) {
            rnd.light(l, round % 2 == 1);
            mesh.meshLights.push_back(&l);
        }
        mesh.meshLights.push_back(nullptr); // an empty slot adds nothing
        if (!lights.empty() && round % 5 == 0) mesh.cameraVertices[0] = lights[0].cameraPosition;
        const SceneCamera camera = rnd.headlight(round);
        const bool headlight = round % 4 == 1;
        const LightFrom from = round % 3 == 0 ? LightFrom::ObjectCentre : LightFrom::FirstVertex;
        std::vector<int32_t> list;
        for (size_t i = faces; i-- > 0;)
            if (i % 4 != 2) list.push_back(static_cast<int32_t>(i));
        std::vector<uint32_t> got(list.size() + 1, 0xDEADBEEFu);
        faceColours(mesh, camera, list, headlight, from, got.data());
        for (size_t i = 0; i < list.size(); ++i)
            EXPECT_EQ(got[i], faceColour(mesh, camera, mesh.faces[static_cast<size_t>(list[i])],
                                         headlight, from))
                << "round " << round << " face " << list[i];
        EXPECT_EQ(got.back(), 0xDEADBEEFu) << "round " << round;
    }
}
