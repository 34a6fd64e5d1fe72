#pragma once
// part 6, the fountain: the camera rides its rails through a palette-shaded scene under the
// wandering light, flares along its path; glowing particles pour from a second path, fall,
// and bounce off six surfaces while their colours drift through cosine gradients. Channel 0's
// beats widen the view, channel 1's kick the camera; the part ends when channel 0 runs out.
#include <array>
#include <memory>
#include <vector>

#include "fx/bouncing_particles.h"
#include "fx/camera_rails.h"
#include "fx/colour_tables.h"
#include "fx/sync_latch.h"
#include "parts/part.h"
#include "picture/image8.h"
#include "scene3d/scene.h"
#include "sound/sync_track.h"

namespace parts {

struct Part6State {
    scene3d::Scene3ds scene;
    scene3d::SceneCamera* camera = nullptr;
    fx::CameraRail eyeRail, targetRail, emitterRail, emitterTargetRail;
    picture::Image32 flare;
    picture::Image8 particleSprite;
    std::vector<fx::BouncePlane> planes;
    fx::ParticlePool<fx::BouncingParticle> particles{2000};
    // The particles' positions, in camera space and projected: room for 10000.
    std::vector<scene3d::Point3f> points, cameraPoints;
    std::vector<scene3d::ProjectedVertex> projected;

    bool started = false;
    float sceneClock = 0;
    fx::RailMotion rails;
    fx::EventLatch<sound::kSyncEvents> kicked;
    fx::WanderingLight light;
    fx::RailFlares flares;
    std::array<float, 9> paletteAngles{};
    float paletteExponentAngle = 0;
    float emitterIndex = 0;
    std::array<int32_t, 5> sync{};
};

// While channel 0's cursor is 8 the view holds at 256 whatever e0 says.
float fountainViewFactor(int32_t e0, int cursor0);
// Whether the particles hold still this frame.
bool particlesFrozen(int cursor0, int cursor1, int32_t e1);

class Part6 : public DemoPart {
  public:
    void load(Stage& stage, int width, int height) override;
    void run(Stage& stage) override;
    HandOver handOver() const override;
    Part6State& state() { return *s_; }

    // Exposed for tests: the pieces of a frame.
    void moveParticles(float fps);
    // One particle at the emitter, unless every slot is taken; false then.
    bool emit(float fps);
    void drawFrame(Stage& stage);

  private:
    void cyclePalette();
    void drawParticles(picture::Image32& target);

    std::unique_ptr<Part6State> s_ = std::make_unique<Part6State>();
};

} // namespace parts
