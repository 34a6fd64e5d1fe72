#pragma once
// part 3, the doors: part 2's machine with most of it hidden and its eight doors shown
// translucent, each pair cut by a rising, wobbling plane with flares along the cut; four spark
// fountains spiral into one point where the sparks pile up as debris the beats throw into the
// air; echoes, a narrowing blur and camera kicks on the sync events.
#include <array>
#include <memory>
#include <vector>

#include "fx/colour_tables.h"
#include "fx/fountains.h"
#include "fx/sync_latch.h"
#include "parts/part.h"
#include "parts/part2.h"
#include "picture/image8.h"
#include "scene3d/scene.h"

namespace parts {

struct CutPlane {
    scene3d::Mesh guide; // three vertices, scale 5: the plane through them
    std::array<float, 2> phase{}, period{};
    float height = -70, riseSpeed = 0;
    std::array<float, 4> plane{}; // camera space: n . p + d >= 0 is kept
    scene3d::Mesh* door = nullptr;
};

struct Part3State {
    picture::Image8 flare;
    std::array<std::unique_ptr<picture::ColourTable>, 4> colours;
    fx::ColourTable greys{};
    picture::Image32 cutSprite, echo;
    std::array<CutPlane, 4> planes;
    std::array<fx::SparkFountain, 4> fountains;
    scene3d::Point3f anchor{71, -1334, 641};
    int keyPause = 0;

    bool started = false;
    uint32_t startTick = 0, echoStart = 0, blurStart = 0;
    scene3d::SceneCamera* camera = nullptr;
    std::array<float, 4> phi{}; // the fountains' phases a, b, c, d
    std::array<float, 2> psi{}; // the debris' wobble
    fx::EventLatch<200> phaseJumps;
    std::array<int32_t, 5> sync{};
    float underlayFrame = 0; // the animation frame while the next part fades in over it
};

class Part3 : public DemoPart {
  public:
    explicit Part3(Part2& machine) : machine_(machine) {}
    void load(Stage& stage, int width, int height) override;
    void run(Stage& stage) override;
    HandOver handOver() const override;
    Part3State& state() { return *s_; }

    // The scene, fountains and debris once more, three animation frames on each call, into
    // target: what the next part fades in over.
    void drawUnderlay(picture::Image32& target);

    // Exposed for tests.
    void readKeys(const platform::InputState& input);
    void fountains(picture::Image32& target, float fps, int cursor2);
    void echo(picture::Image32& target, uint32_t tick);
    void blur(picture::Image32& target, uint32_t tick, int cursor0);
    void buildFountainKeys(int index, fx::FountainKeys& keys) const;

  private:
    void firstFrame(Stage& stage);
    void scene(picture::Image32& target, uint32_t tick, float fps, bool kick);
    void renderScene(picture::Image32& target);
    void debris(picture::Image32& target, float fps);

    Part2& machine_;
    const platform::FrameClock* clock_ = nullptr;
    std::unique_ptr<Part3State> s_ = std::make_unique<Part3State>();
};

} // namespace parts
