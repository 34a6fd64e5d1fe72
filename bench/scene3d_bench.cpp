// Camera-space transform and projection per vertex, and the painter's sort of 2000 faces.
#include <benchmark/benchmark.h>

#include "bench/ratio_reporter.h"
#include "platform/random.h"
#include "scene3d/camera.h"

using namespace scene3d;

namespace {

struct Setup {
    Mesh mesh;
    SceneCamera camera;
    Setup() {
        buildSphere(mesh, 50, 40, 50); // 1952 vertices, 4000 faces
        mesh.position = {0, 0, 0};
        placeMesh(mesh);
        camera.viewWidth = 512, camera.viewHeight = 256, camera.fov = 60;
        camera.eye = {0, 30, -200}, camera.target = {0, 0, 0};
        refreshCamera(camera);
        buildViewMatrix(camera);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void BM_toCameraSpaceAndProject(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        toCameraSpace(s.mesh, s.camera);
        projectVertices(s.mesh.cameraVertices.data(), s.mesh.projected.data(),
                        s.mesh.vertices.size(), s.camera);
        benchmark::ClobberMemory();
    }
    state.counters["units"] = static_cast<double>(s.mesh.vertices.size()); // vertices
}
BENCHMARK(BM_toCameraSpaceAndProject);

void BM_sortFacesByDepth2000(benchmark::State& state) {
    Setup& s = setup();
    toCameraSpace(s.mesh, s.camera);
    std::vector<int32_t> list(2000);
    for (auto _ : state) {
        state.PauseTiming();
        platform::Random r(7);
        for (auto& f : list)
            f = r.next() % static_cast<int>(s.mesh.faces.size());
        state.ResumeTiming();
        sortFacesByDepth(list.data(), s.mesh.faces.data(), s.mesh.cameraVertices.data(),
                         list.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_sortFacesByDepth2000);

} // namespace

int main(int argc, char** argv) {
    return runWithRatios(argc, argv);
}
