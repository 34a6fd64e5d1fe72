#pragma once
// part 1, the city: a 15 x 15 field of boxes on a black floor, lit blue, 1500 walkers hopping
// along the streets as flares, boxes jumping on the beat under a camera flight, the walkers
// rising into the sky at the end; the loading picture breaks apart over it at the start.
#include <array>
#include <memory>
#include <vector>

#include "draw2d/bitmap_font.h"
#include "parts/part.h"
#include "scene3d/scene.h"

namespace parts {

struct Walker {
    int fromColumn = 7, fromRow = 7, toColumn = 7, toRow = 7;
    scene3d::Point3f from, to;
    float progress = 1, speed = 0, boost = 0, boostDecay = 0, hop = 0, hopDecay = 0, flash = 0, second = 0, secondDecay = 0;
    bool active = true;
    // The sky phase.
    int path = 0;
    float pathIndex = 0, pathSpeed = 0, blend = 0, growth = 1;
    std::array<float, 3> wobbleRate{};
    bool wobbling = false;
    uint32_t wobbleStart = 0;
    float vanish = 0;
    scene3d::Point3f position;
};

struct Block {
    int column = 0, row = 0;
};

struct Part1State {
    picture::LoadedImage32 flare;
    draw2d::BitmapFont font;
    const std::array<uint32_t, 256>* palette = nullptr;
    std::array<uint32_t, 256> zeroTable{};
    std::vector<std::unique_ptr<scene3d::Mesh>> boxes; // 225, column i + 15 row j
    std::array<float, 225> lift{};
    std::array<scene3d::Point3f, 225> boxBase{};
    scene3d::Mesh floor;
    std::array<scene3d::Point3f, 256> streets{};
    scene3d::SceneCamera camera;
    scene3d::Scene3ds flight;
    scene3d::SceneLight movingLight;
    std::array<scene3d::SceneLight, 5> beatLights;
    std::vector<Walker> walkers;
    picture::Image32 city;
    std::vector<int32_t> depth;
    std::array<std::vector<scene3d::Point3f>, 5> skyPaths;

    // Opening.
    bool openingStarted = false, musicStarted = false;
    DebugKeys keys;
    uint32_t openingStart = 0;
    float strip1EndX = 0, strip3EndX = 0, strip2X = 256, strip2Velocity = 0.8f;
    // Main drawing.
    bool started = false;
    uint32_t startTick = 0;
    float bounceHeight = 100, bounceVelocity = 0.04f;
    bool bounceRetired = false, arrived = false, headlightGiven = false, skyMade = false;
    int riseState = 0;
    bool firstFiveBeat = true;
    std::array<int32_t, 5> sync{};
};

class Part1 : public DemoPart {
public:
    void load(Stage& stage, int width, int height) override;
    void run(Stage& stage) override;
    Part1State& state() { return *s_; }

    // Exposed for tests: one step of the pieces the frame is made of.
    void streetStep(Walker& w, float fps);
    void chooseNextCrossing(Walker& w);
    std::array<Block, 5> fiveBlockBeat();
    bool around(const Walker& w, Block b) const;
    void mainDrawing(Stage& stage, picture::Image32& target, bool opening);

private:
    void opening(Stage& stage);
    void drawBoxes(picture::Image32& target, bool movingLightOnly);
    void drawFlares(const scene3d::Point3f& p, int count, picture::Image32& target);
    void drawWalker(Walker& w, picture::Image32& target);
    void makeSkyPaths();
    void skyStep(Walker& w, float fps, uint32_t now);
    void threeBlockBeat();
    void placeLights();

    std::unique_ptr<Part1State> s_ = std::make_unique<Part1State>();
};

std::unique_ptr<DemoPart> makePart1();

} // namespace parts
