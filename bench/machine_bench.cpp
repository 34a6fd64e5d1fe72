// The scene pass of the machine hall that parts 2 and 3 show, without their particles: one
// frame of each camera at a frame part 2 shows through it, on the generated production's data.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "fx/colour_tables.h"
#include "fx/scene_description.h"
#include "fx/scene_pass.h"
#include "scene3d/camera.h"
#include "scene3d/scene_prep.h"
#include "scene3d/tracks.h"

namespace {

using namespace scene3d;

struct Hall {
    Scene3ds scene;
    picture::ResourceLists lists;
    picture::Image32 target;
    fx::ColourTable ramp = fx::makeGreyRamp();
    Hall() {
        std::filesystem::current_path(PRODUCTION_DIR "/data");
        ScenePreparation how;
        how.shadeTable = &ramp;
        how.bindMaterials = true;
        prepareScene(scene, "3D/p2.3ds", how);
        fx::readSceneDescription("3D/p2", scene, lists);
        // What part 2 hides.
        for (const char* name : {"bbv", "Box09", "bbbbb", "Box11", "Cylinder05", "Cylinder04",
                                 "Cylinder03", "Cylinder06"})
            if (Mesh* m = findMesh(scene, name)) m->flags &= ~kDrawnByScene;
        target.create(512, 256);
    }
};

Hall& hall() {
    static Hall h;
    return h;
}

void BM_MachineShot(benchmark::State& state) {
    Hall& h = hall();
    // Cameras with a frame part 2 shows through them.
    const int shots[][2] = {{0, 40},  {1, 1080}, {2, 600}, {2, 1000}, {3, 350},
                            {6, 800}, {7, 880},  {8, 100}, {10, 700}};
    const auto [cameraIndex, frame] = shots[state.range(0)];
    SceneCamera& camera = *h.scene.cameras[static_cast<size_t>(cameraIndex)];
    updateScene(h.scene, static_cast<float>(frame));
    updateProjection(camera);
    finishCameraStep(camera);
    beginCameraStep(camera);
    for (auto _ : state) {
        std::fill(h.target.pixels, h.target.pixels + 512 * 256, 0u);
        clearDepth(h.scene, 512 * 256);
        fx::ScenePass pass;
        pass.greyRamp = h.ramp.data();
        pass.select = [&](const Mesh& m) {
            return fx::drawnByDefault(m) && fx::drawnInView(m, camera);
        };
        pass.beforeMesh = [&](Mesh& m) { fx::hangOnParent(h.scene, m); };
        for (auto& m : h.scene.meshes)
            transformBox(*m, camera);
        fx::drawScene(h.scene, camera, h.target, pass);
    }
    state.SetLabel("camera " + std::to_string(cameraIndex) + " frame " + std::to_string(frame));
}
BENCHMARK(BM_MachineShot)->DenseRange(0, 8)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
