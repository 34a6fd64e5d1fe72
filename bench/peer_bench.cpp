// The two workloads rendered by a software OpenGL for comparison, rebuilt with this project's
// scene records and renderer: a textured torus (camera space, projection, renderMesh) and
// 1500 bilinear additive flares. Prints the fragment counts, then times 120-frame sequences.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "draw2d/draw2d.h"
#include "raster/render.h"
#include "scene3d/camera.h"

using namespace scene3d;

namespace {

constexpr int kW = 512, kH = 256, kFrames = 120;
constexpr float kPi = 3.14159265f;

struct Torus {
    Mesh mesh;
    SceneCamera camera;
    picture::LoadedImage32 texture;
    std::array<uint32_t, 256> palette{}, ones{};
    std::vector<int32_t> depth = std::vector<int32_t>(kW * kH, 0);
    picture::Image32 target;

    Torus() {
        for (int i = 0; i <= 50; ++i)
            for (int j = 0; j <= 20; ++j) {
                const float phi = 2 * kPi * static_cast<float>(i) / 50,
                            theta = 2 * kPi * static_cast<float>(j) / 20;
                const float r = 1.0f + 0.45f * std::cos(theta);
                mesh.vertices.push_back(
                    {r * std::cos(phi), r * std::sin(phi), 0.45f * std::sin(theta)});
                mesh.mapping.push_back(
                    {2.0f * static_cast<float>(i) / 50 * 256, static_cast<float>(j) / 20 * 256});
            }
        auto at = [](int i, int j) { return i * 21 + j; };
        // Wound so that culling keeps the faces whose outside faces the eye: this camera space
        // is the other eye space mirrored in z, which turns the order of the corners round.
        for (int i = 0; i < 50; ++i)
            for (int j = 0; j < 20; ++j) {
                const int a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
                const auto n = static_cast<int32_t>(mesh.faces.size());
                mesh.faces.push_back({n, a, c, b, 0, 0});
                mesh.faces.push_back({n + 1, a, d, c, 0, 0});
            }
        mesh.flags |= kHasFaces | kHasMapping | kCullBackFaces;
        allocateFrameArrays(mesh);
        computeFaceNormals(mesh);
        computeVertexNormals(mesh);
        mesh.cameraFaceNormals = mesh.faceNormals;
        mesh.cameraVertexNormals = mesh.vertexNormals;
        texture.create(256, 256);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                texture.pixels[y * 256 + x] = static_cast<uint32_t>((x ^ y) << 16 | x << 8 | y);
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

    // T(0, -0.3, -2.8) Rx(1 + 0.25 sin(2 pi k / 120)) Rz(2 pi k / 120), then z mirrored.
    void place(int k) {
        const float t = 2 * kPi * static_cast<float>(k) / kFrames, ax = 1.0f + 0.25f * std::sin(t);
        auto f = [&](Point3f p) {
            const Point3f z{p.x * std::cos(t) - p.y * std::sin(t),
                            p.x * std::sin(t) + p.y * std::cos(t), p.z};
            const Point3f x{z.x, z.y * std::cos(ax) - z.z * std::sin(ax),
                            z.y * std::sin(ax) + z.z * std::cos(ax)};
            return Point3f{x.x, x.y - 0.3f, -(x.z - 2.8f)};
        };
        const Point3f o = f({0, 0, 0}), ex = f({1, 0, 0}), ey = f({0, 1, 0}), ez = f({0, 0, 1});
        Matrix4& m = mesh.worldMatrix;
        setIdentity(m);
        m[0] = ex.x - o.x, m[1] = ex.y - o.y, m[2] = ex.z - o.z;
        m[4] = ey.x - o.x, m[5] = ey.y - o.y, m[6] = ey.z - o.z;
        m[8] = ez.x - o.x, m[9] = ez.y - o.y, m[10] = ez.z - o.z;
        m[12] = o.x, m[13] = o.y, m[14] = o.z;
        mesh.rotationMatrix = m;
        mesh.rotationMatrix[12] = mesh.rotationMatrix[13] = mesh.rotationMatrix[14] = 0;
    }

    void frame(int k, int32_t mode) {
        std::memset(target.pixels, 0, target.pixelCount() * 4);
        std::fill(depth.begin(), depth.end(), 0);
        place(k);
        toCameraSpace(mesh, camera);
        if (mode == 83) turnVertexNormals(mesh);
        projectVertices(mesh.cameraVertices.data(), mesh.projected.data(),
                        mesh.cameraVertices.size(), camera);
        raster::renderMeshAs(mesh, camera, target, mode);
    }

    // Fragments (faces kept by culling, every pixel they cover), those passing the depth test in
    // face order, and distinct pixels; drawn face by face with a palette of ones.
    void count(double& fragments, double& passing, double& distinct) {
        fragments = passing = distinct = 0;
        mesh.shadeTable = &ones;
        const std::vector<MeshFace> all = mesh.faces;
        picture::Image32 counter;
        counter.create(kW, kH);
        for (int k = 0; k < kFrames; ++k) {
            frame(k, 501);
            std::memset(counter.pixels, 0, counter.pixelCount() * 4);
            for (const MeshFace& f : all) {
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

struct Flares {
    picture::Image32 flare, target;
    struct Sprite {
        float x0, y0, vx, vy;
        int tint;
    };
    std::vector<Sprite> sprites;
    Flares() {
        flare.create(256, 256);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const double d = std::hypot(x - 127.5, y - 127.5) / 128;
                const auto v =
                    static_cast<uint32_t>(std::lround(255 * std::pow(std::max(0.0, 1 - d), 2)));
                flare.pixels[y * 256 + x] = v * 0x010101u;
            }
        target.create(kW, kH);
        uint32_t s = 12345;
        auto next = [&] {
            s = s * 1664525u + 1013904223u;
            return static_cast<float>(s >> 8) / 16777216.0f;
        };
        for (int i = 0; i < 1500; ++i) {
            Sprite p;
            p.x0 = 480 * next(), p.y0 = 224 * next(), p.vx = 3 * (2 * next() - 1),
            p.vy = 3 * (2 * next() - 1);
            p.tint = 16 + static_cast<int>(64 * next());
            next(), next(); // the other two tints of a coloured sprite
            sprites.push_back(p);
        }
    }
    static float pingpong(float v, float l) {
        float m = std::fmod(v, 2 * l);
        if (m < 0) m += 2 * l;
        return m > l ? 2 * l - m : m;
    }
    void frame(int k) {
        std::memset(target.pixels, 0, target.pixelCount() * 4);
        for (const Sprite& p : sprites) {
            const float x = pingpong(p.x0 + p.vx * static_cast<float>(k), 480),
                        y = pingpong(p.y0 + p.vy * static_cast<float>(k), 224);
            draw2d::spriteBilAlphaAdd(target, flare, x + 16, y + 16, 8, 8, p.tint);
        }
    }
    // Pixels each sprite writes, from one sprite of full white on an empty frame.
    double fragments() {
        picture::Image32 white;
        white.create(256, 256);
        for (size_t i = 0; i < white.pixelCount(); ++i)
            white.pixels[i] = 0xFFFFFF;
        double total = 0;
        for (int k = 0; k < kFrames; k += 30)
            for (const Sprite& p : sprites) {
                std::memset(target.pixels, 0, target.pixelCount() * 4);
                const float x = pingpong(p.x0 + p.vx * static_cast<float>(k), 480),
                            y = pingpong(p.y0 + p.vy * static_cast<float>(k), 224);
                draw2d::spriteBilAdd(target, white, x + 16, y + 16, 8, 8);
                for (size_t i = 0; i < target.pixelCount(); ++i)
                    total += target.pixels[i] != 0;
            }
        return total / 4;
    }
};

Torus& torus() {
    static Torus t;
    return t;
}
Flares& flares() {
    static Flares f;
    return f;
}

void torusSequence(benchmark::State& state, int32_t mode) {
    Torus& t = torus();
    for (int k = 0; k < kFrames; ++k)
        t.frame(k, mode); // warm-up sequence
    for (auto _ : state) {
        for (int k = 0; k < kFrames; ++k)
            t.frame(k, mode);
        benchmark::ClobberMemory();
    }
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_TorusPMAPZ(benchmark::State& state) {
    torusSequence(state, 40);
}
void BM_TorusPMAPTRANSADD(benchmark::State& state) {
    torusSequence(state, 36);
}
void BM_TorusGOURAUDZ(benchmark::State& state) {
    torusSequence(state, 83);
}
void BM_Flares(benchmark::State& state) {
    Flares& f = flares();
    for (int k = 0; k < kFrames; ++k)
        f.frame(k);
    for (auto _ : state) {
        for (int k = 0; k < kFrames; ++k)
            f.frame(k);
        benchmark::ClobberMemory();
    }
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TorusPMAPZ)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TorusPMAPTRANSADD)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TorusGOURAUDZ)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flares)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    double fragments = 0, passing = 0, distinct = 0;
    torus().count(fragments, passing, distinct);
    std::printf(
        "torus: %.0f fragments per frame, %.0f passing the depth test, %.0f distinct pixels "
        "(reference 69800, 68175, 66552)\n",
        fragments, passing, distinct);
    std::printf("flares: %.0f fragments per frame (reference 1536000)\n", flares().fragments());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
