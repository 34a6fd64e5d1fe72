#pragma once
// part 8, the closing: the production's last words in lit 3D letters with a cylinder that
// swells on the beat, flares at the lights and three streams of coloured flares; on the sync
// track's word the closing image fades in beneath the scene, which then runs on over it
// until the user quits.
#include <array>
#include <memory>

#include "fx/particle_stream.h"
#include "parts/part.h"
#include "parts/part1.h"
#include "picture/image8.h"
#include "scene3d/scene.h"

namespace parts {

struct Part8State {
    scene3d::Scene3ds scene;
    scene3d::SceneCamera camera; // the scene's first camera, copied every frame
    scene3d::Mesh* cylinder = nullptr;
    picture::LoadedImage32 closingImage, logo;
    picture::Image8 flare8;
    std::array<picture::Image32, 3>
        streamFlares; // the flare through meshes 9, 8 and 3's shade tables
    std::array<fx::ParticleStream, 3> streams;

    int fadeLevel = 0;
    float logoLevel = 0;
    bool closingImageShown = false; // loaded, and the picture's size
    bool syncRead = false, streamsStarted = false, clockStarted = false;
    uint32_t clockStart = 0;
    DebugKeys keys;
    std::array<int32_t, 5> sync{};
};

class Part8 : public DemoPart {
  public:
    explicit Part8(Part1& city) : city_(city) {}
    void load(Stage& stage, int width, int height) override;
    void run(Stage& stage) override;
    HandOver handOver() const override;
    Part8State& state() { return *s_; }

    // Exposed for tests: a frame without its sync update and wait, given channel 2's cursor.
    void drawFrame(picture::Image32& target, int cursor2);
    // The picture under the scene: black, the closing image fading in, or the closing image.
    void fadeToClosingImage(picture::Image32& target, int cursor2);

  private:
    void drawScene(picture::Image32& target, int cursor2);

    Part1& city_;
    std::unique_ptr<Part8State> s_ = std::make_unique<Part8State>();
};

} // namespace parts
