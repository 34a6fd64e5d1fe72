#pragma once
// part 5, the rails: a camera flight on rails around a torus knot and a geodesic sphere, both
// palette-shaded under a wandering light; the knot appears face by face from the middle of
// its face list outward; flares twinkle along the eye's path; two of seventeen photographs
// sway over the scene and fade in turn. Channel 0's beats widen the view, channel 1's kick
// the camera on and turn the photographs.
#include <array>
#include <memory>

#include "draw2d/bitmap_font.h"
#include "fx/camera_rails.h"
#include "fx/sync_latch.h"
#include "parts/part.h"
#include "scene3d/scene.h"
#include "sound/sync_track.h"

namespace parts {

// Two fronts leaving the middle of a face list; every face between them loses shade until
// none is left.
struct DissolveFronts {
    float upper = 0, lower = 0;
    bool started = false;
};
void advanceDissolve(DissolveFronts& d, scene3d::Mesh& mesh, float fps);

// Two photographs fading in antiphase, each replaced while it is faded out.
struct Photographs {
    float alpha = 0, beta = 0;
    int indexA = 0, indexB = 0;
    bool armedA = true, armedB = true;
    int fadeA = 0, fadeB = 0; // gA, gB of the last frame
};
// The angles' step for this frame (with the jump on a channel-1 beat); when shown, the fades
// and the turns, the indices counting modulo `count`.
void turnPhotographs(Photographs& p, float fps, bool beat, bool shown, int count);

struct Part5State {
    scene3d::Scene3ds scene;
    scene3d::SceneCamera* camera = nullptr;
    scene3d::Mesh *knot = nullptr, *sphere = nullptr;
    fx::CameraRail eyeRail, targetRail;
    picture::Image32 flare;
    std::array<picture::LoadedImage32*, 17> photographs{};
    draw2d::BitmapFont font;
    DebugKeys keys;

    bool started = false;
    float sceneClock = 0;
    fx::RailMotion rails;
    fx::EventLatch<sound::kSyncEvents> kicked;
    fx::WanderingLight light;
    fx::RailFlares flares;
    DissolveFronts dissolve;
    Photographs photos;
    std::array<int32_t, 5> sync{};
};

class Part5 : public DemoPart {
  public:
    void load(Stage& stage, int width, int height) override;
    void run(Stage& stage) override;
    HandOver handOver() const override;
    Part5State& state() { return *s_; }

    // Exposed for tests: the pieces of a frame.
    static float viewFactor(int32_t e0) { return static_cast<float>(256 - e0); }
    // The kick on a channel-1 beat, once per event, then the rails' motion; the camera's new
    // eye and target.
    fx::RailPoint moveOnRails(int32_t e1, int cursor1, uint32_t now, float fps);
    void drawFrame(Stage& stage);

  private:
    void drawPhotographs(picture::Image32& target, const sound::SyncEntry& entry, float fps);
    void drawDebug(Stage& stage, uint32_t start);

    std::unique_ptr<Part5State> s_ = std::make_unique<Part5State>();
};

} // namespace parts
