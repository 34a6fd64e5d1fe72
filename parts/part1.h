#pragma once
// part 1, the city: a 15 x 15 field of boxes on a black floor, lit blue, 1500 walkers hopping
// along the streets as flares, boxes jumping on the beat under a camera flight, the walkers
// rising into the sky at the end; the loading picture breaks apart over it at the start.
#include <array>
#include <memory>
#include <vector>

#include "draw2d/bitmap_font.h"
#include "parts/part.h"
#include "parts/walkers.h"
#include "scene3d/scene.h"

namespace parts {

struct Part1State {
    picture::LoadedImage32 flare;
    draw2d::BitmapFont font;
    const std::array<uint32_t, 256>* palette = nullptr;
    std::array<uint32_t, 256> zeroTable{};
    std::vector<std::unique_ptr<scene3d::Mesh>> boxes; // 225, column i + 15 row j
    std::array<float, 225> lift{};
    std::array<scene3d::Point3f, 225> boxBase{};
    scene3d::Mesh floor;
    scene3d::SceneCamera camera;
    scene3d::Scene3ds flight;
    scene3d::SceneLight movingLight;
    std::array<scene3d::SceneLight, 5> beatLights;
    WalkerSwarm swarm;
    picture::Image32 city;
    scene3d::DepthBuffer depth;

    // Opening.
    bool openingStarted = false, musicStarted = false;
    DebugKeys keys;
    uint32_t openingStart = 0;
    float strip1EndX = 0, strip3EndX = 0, strip2X = 256, strip2Velocity = 0.8f;
    // Main drawing.
    bool started = false;
    uint32_t startTick = 0;
    float bounceHeight = 100, bounceVelocity = 0.04f;
    bool bounceRetired = false, arrived = false, headlightGiven = false;
    int riseState = 0;
    bool firstFiveBeat = true;
    std::array<int32_t, 5> sync{};
    // What part 2 starts from: the last picture and the camera that saw it.
    picture::Image32 lastPicture; // 512 x 256 once handed over
    scene3d::SceneCamera lastCamera;
    bool handedOver = false;
};

class Part1 : public DemoPart {
  public:
    void load(Stage& stage, int width, int height) override;
    void run(Stage& stage) override;
    HandOver handOver() const override;
    Part1State& state() { return *s_; }
    const Part1State& state() const { return *s_; }

    // Exposed for tests: one step of the pieces the frame is made of.
    std::array<Block, 5> fiveBlockBeat();
    void mainDrawing(Stage& stage, picture::Image32& target, bool opening);

  private:
    void opening(Stage& stage);
    void drawBoxes(picture::Image32& target, bool movingLightOnly);
    void drawMovingLightFlares(picture::Image32& target);
    void threeBlockBeat();
    void placeLights();

    std::unique_ptr<Part1State> s_ = std::make_unique<Part1State>();
};

} // namespace parts
