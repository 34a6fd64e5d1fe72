#pragma once
// The two workloads of the comparison with a software OpenGL, as data any renderer can draw (a
// textured torus: vertices, corners, texture, placement per frame; 1500 bilinear additive
// flares: picture, placement per frame), and this project's renderer drawing them.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "draw2d/draw2d.h"
#include "raster/render.h"
#include "scene3d/camera.h"

namespace peer {

constexpr int kW = 512, kH = 256, kFrames = 120;
constexpr float kPi = 3.14159265f;

// Modes of renderMeshAs: textured with depth, textured added without depth, Gouraud with depth.
constexpr int32_t kPmapZ = 40, kPmapTransAdd = 36, kGouraudZ = 83;

// 51 x 21 vertices (the seam duplicated), 2000 triangles counter-clockwise seen from outside.
struct TorusShape {
    std::vector<std::array<float, 3>> positions, normals;
    std::vector<std::array<float, 2>> st; // 1 is the texture's width; s covers it twice
    std::vector<uint16_t> corners;        // three a triangle
};

inline TorusShape torusShape() {
    TorusShape t;
    for (int i = 0; i <= 50; ++i)
        for (int j = 0; j <= 20; ++j) {
            const float phi = 2 * kPi * static_cast<float>(i) / 50,
                        theta = 2 * kPi * static_cast<float>(j) / 20;
            const float r = 1.0f + 0.45f * std::cos(theta);
            t.positions.push_back({r * std::cos(phi), r * std::sin(phi), 0.45f * std::sin(theta)});
            t.normals.push_back({std::cos(theta) * std::cos(phi), std::cos(theta) * std::sin(phi),
                                 std::sin(theta)});
            t.st.push_back({2.0f * static_cast<float>(i) / 50, static_cast<float>(j) / 20});
        }
    auto at = [](int i, int j) { return static_cast<uint16_t>(i * 21 + j); };
    for (int i = 0; i < 50; ++i)
        for (int j = 0; j < 20; ++j) {
            const uint16_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            t.corners.insert(t.corners.end(), {a, b, c, a, c, d});
        }
    return t;
}

// Frame k's placement T(0, -0.3, -2.8) Rx(1 + 0.25 sin(2 pi k / 120)) Rz(2 pi k / 120) in an eye
// space looking along -z, column by column (OpenGL's order).
inline std::array<float, 16> torusPlacement(int k) {
    const float t = 2 * kPi * static_cast<float>(k) / kFrames, ax = 1.0f + 0.25f * std::sin(t);
    auto f = [&](std::array<float, 3> p) {
        const std::array<float, 3> z{p[0] * std::cos(t) - p[1] * std::sin(t),
                                     p[0] * std::sin(t) + p[1] * std::cos(t), p[2]};
        const std::array<float, 3> x{z[0], z[1] * std::cos(ax) - z[2] * std::sin(ax),
                                     z[1] * std::sin(ax) + z[2] * std::cos(ax)};
        return std::array<float, 3>{x[0], x[1] - 0.3f, x[2] - 2.8f};
    };
    const auto o = f({0, 0, 0}), ex = f({1, 0, 0}), ey = f({0, 1, 0}), ez = f({0, 0, 1});
    return {
        ex[0] - o[0], ex[1] - o[1], ex[2] - o[2], 0, ey[0] - o[0], ey[1] - o[1], ey[2] - o[2], 0,
        ez[0] - o[0], ez[1] - o[1], ez[2] - o[2], 0, o[0],         o[1],         o[2],         1};
}

// 256 x 256, 0x00RRGGBB: red x XOR y, green x, blue y.
inline std::vector<uint32_t> torusTexture() {
    std::vector<uint32_t> t(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            t[y * 256 + x] = static_cast<uint32_t>((x ^ y) << 16 | x << 8 | y);
    return t;
}

// 256 x 256 grey, round(255 max(0, 1 - d)^2), d the distance from the middle over 128.
inline std::vector<uint32_t> flarePicture() {
    std::vector<uint32_t> p(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double d = std::hypot(x - 127.5, y - 127.5) / 128;
            const auto v =
                static_cast<uint32_t>(std::lround(255 * std::pow(std::max(0.0, 1 - d), 2)));
            p[y * 256 + x] = v * 0x010101u;
        }
    return p;
}

constexpr int kSprites = 1500, kSpriteSize = 32;

struct FlareSprite {
    float x0, y0, vx, vy;
    int tint; // the first of three; the other two would colour the sprite
};

inline std::vector<FlareSprite> flareSprites() {
    std::vector<FlareSprite> sprites;
    uint32_t s = 12345;
    auto next = [&] {
        s = s * 1664525u + 1013904223u;
        return static_cast<float>(s >> 8) / 16777216.0f;
    };
    for (int i = 0; i < kSprites; ++i) {
        FlareSprite p;
        p.x0 = 480 * next(), p.y0 = 224 * next(), p.vx = 3 * (2 * next() - 1),
        p.vy = 3 * (2 * next() - 1);
        p.tint = 16 + static_cast<int>(64 * next());
        next(), next();
        sprites.push_back(p);
    }
    return sprites;
}

// v folded into 0 .. l by reflection.
inline float pingpong(float v, float l) {
    float m = std::fmod(v, 2 * l);
    if (m < 0) m += 2 * l;
    return m > l ? 2 * l - m : m;
}

// The sprite's top-left corner in frame k: wholly on the 512 x 256 screen.
inline void flareCorner(const FlareSprite& p, int k, float& x, float& y) {
    x = pingpong(p.x0 + p.vx * static_cast<float>(k), 480);
    y = pingpong(p.y0 + p.vy * static_cast<float>(k), 224);
}

// The torus through the scene records and renderMeshAs.
struct Torus {
    static constexpr float kUnits = 100;
    scene3d::Mesh mesh;
    scene3d::SceneCamera camera;
    picture::LoadedImage32 texture;
    std::array<uint32_t, 256> palette{}, ones{};
    scene3d::DepthBuffer depth = scene3d::DepthBuffer(kW * kH);
    picture::Image32 target;

    Torus() {
        using namespace scene3d;
        const TorusShape shape = torusShape();
        // Built mirrored in z and placed by the mirrored placement (place()): together the eye
        // space mirrored in z, which this camera space is, while the world matrix stays a turn
        // and a move, so that culling and lighting see the faces as a scene file gives them.
        // In scene units kUnits times the workload's: the same picture, and 1/z small enough
        // for the perspective mapper's u/z in 32 bits, as in the production's scenes.
        for (size_t v = 0; v < shape.positions.size(); ++v) {
            const auto& p = shape.positions[v];
            mesh.vertices.push_back({p[0] * kUnits, p[1] * kUnits, -p[2] * kUnits});
            mesh.mapping.push_back({shape.st[v][0] * 256, shape.st[v][1] * 256});
        }
        for (size_t c = 0; c < shape.corners.size(); c += 3) {
            const auto n = static_cast<int32_t>(mesh.faces.size());
            mesh.faces.push_back(
                {n, shape.corners[c], shape.corners[c + 1], shape.corners[c + 2], 0, 0});
        }
        mesh.flags |= kHasFaces | kHasMapping | kCullBackFaces;
        allocateFrameArrays(mesh);
        computeFaceNormals(mesh);
        computeVertexNormals(mesh);
        // The surface's own normals, not averages of faces (those show the seam); from the
        // inside, as the renderer lights them.
        for (size_t v = 0; v < shape.normals.size(); ++v)
            mesh.vertexNormals[v] = {-shape.normals[v][0], -shape.normals[v][1],
                                     shape.normals[v][2]};
        mesh.cameraFaceNormals = mesh.faceNormals;
        mesh.cameraVertexNormals = mesh.vertexNormals;
        texture.create(256, 256);
        const std::vector<uint32_t> texels = torusTexture();
        std::memcpy(texture.pixels, texels.data(), texels.size() * 4);
        texture.buildTiledCopy();
        for (uint32_t i = 0; i < 256; ++i)
            palette[i] = i * 0x010101u, ones[i] = 1;
        mesh.texture = &texture;
        mesh.shadeTable = &palette;
        mesh.depthBuffer = &depth;
        mesh.flags |= kHeadlight;
        camera.viewWidth = kW, camera.viewHeight = kH, camera.scaleX = camera.scaleY = 320;
        buildFrustum(camera);
        setIdentity(camera.viewMatrix);
        camera.viewDirection = {0, 0, 1};
        target.create(kW, kH);
    }

    // S G S, G frame k's placement and S the mirror in z: G mirrored in z on both sides.
    void place(int k) {
        const std::array<float, 16> g = torusPlacement(k);
        scene3d::Matrix4& m = mesh.worldMatrix;
        scene3d::setIdentity(m);
        for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14})
            m[i] = ((i % 4 == 2) != (i / 4 == 2) ? -g[i] : g[i]) * (i >= 12 ? kUnits : 1);
        mesh.rotationMatrix = m;
        mesh.rotationMatrix[12] = mesh.rotationMatrix[13] = mesh.rotationMatrix[14] = 0;
    }

    void frame(int k, int32_t mode) {
        std::memset(target.pixels, 0, target.pixelCount() * 4);
        std::fill(depth.begin(), depth.end(), 0);
        place(k);
        scene3d::toCameraSpace(mesh, camera);
        if (mode == kGouraudZ) scene3d::turnVertexNormals(mesh);
        scene3d::projectVertices(mesh.cameraVertices.data(), mesh.projected.data(),
                                 mesh.cameraVertices.size(), camera);
        raster::renderMeshAs(mesh, camera, target, mode);
    }

    // Per frame on average: fragments (faces kept by culling, every pixel they cover), those
    // passing the depth test in face order, and distinct pixels; drawn face by face with a
    // palette of ones.
    void count(double& fragments, double& passing, double& distinct) {
        fragments = passing = distinct = 0;
        mesh.shadeTable = &ones;
        const std::vector<scene3d::MeshFace> all = mesh.faces;
        picture::Image32 counter;
        counter.create(kW, kH);
        for (int k = 0; k < kFrames; ++k) {
            frame(k, 501);
            std::memset(counter.pixels, 0, counter.pixelCount() * 4);
            for (const scene3d::MeshFace& f : all) {
                mesh.faces = {f};
                mesh.faces[0].index = 0;
                mesh.cameraFaceNormals = {mesh.faceNormals[static_cast<size_t>(f.index)]};
                raster::renderMeshAs(mesh, camera, counter,
                                     74); // counts what passes, writes no depth
                raster::renderMeshAs(mesh, camera, target, 73); // then writes the depth
            }
            mesh.faces = all;
            mesh.cameraFaceNormals = mesh.faceNormals;
            for (size_t i = 0; i < counter.pixelCount(); ++i)
                passing += counter.pixels[i] & 255;
            std::memset(target.pixels, 0, target.pixelCount() * 4);
            raster::renderMeshAs(mesh, camera, target, 71);
            for (size_t i = 0; i < target.pixelCount(); ++i)
                fragments += target.pixels[i] & 255, distinct += target.pixels[i] != 0;
        }
        mesh.shadeTable = &palette;
        fragments /= kFrames, passing /= kFrames, distinct /= kFrames;
    }
};

// The flares through spriteBilAlphaAdd at scale 8, the tint as alpha.
struct Flares {
    picture::Image32 flare, target;
    std::vector<FlareSprite> sprites = flareSprites();

    Flares() {
        flare.create(256, 256);
        const std::vector<uint32_t> p = flarePicture();
        std::memcpy(flare.pixels, p.data(), p.size() * 4);
        target.create(kW, kH);
    }
    void frame(int k) {
        std::memset(target.pixels, 0, target.pixelCount() * 4);
        for (const FlareSprite& p : sprites) {
            float x, y;
            flareCorner(p, k, x, y);
            draw2d::spriteBilAlphaAdd(target, flare, x + 16, y + 16, 8, 8, p.tint);
        }
    }
    // Pixels written per frame, from each sprite of full white alone on an empty frame, in
    // frames 0, 30, 60 and 90.
    double fragments() {
        picture::Image32 white;
        white.create(256, 256);
        for (size_t i = 0; i < white.pixelCount(); ++i)
            white.pixels[i] = 0xFFFFFF;
        double total = 0;
        for (int k = 0; k < kFrames; k += 30)
            for (const FlareSprite& p : sprites) {
                std::memset(target.pixels, 0, target.pixelCount() * 4);
                float x, y;
                flareCorner(p, k, x, y);
                draw2d::spriteBilAdd(target, white, x + 16, y + 16, 8, 8);
                for (size_t i = 0; i < target.pixelCount(); ++i)
                    total += target.pixels[i] != 0;
            }
        return total / 4;
    }
};

} // namespace peer
