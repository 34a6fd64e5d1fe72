#pragma once
// part 2, the machine: the animated scene "3D/p2.3ds" seen through the cameras the sync events
// cut between, with sparks running down a cylinder's edges, particles flowing along three
// lofted tubes, five comets swirling into a gear door, and part 1's walkers still wandering;
// a fade-in opens it and a horizontal ghosting flash marks channel 4's events.
#include <array>
#include <vector>

#include "fx/colour_tables.h"
#include "fx/particle_pool.h"
#include "fx/sync_latch.h"
#include "parts/part.h"
#include "parts/part1.h"
#include "scene3d/scene.h"

namespace parts {

// Up to 20 lower vertices that share a face with each vertex.
struct DownhillTable {
    static constexpr int kMaxNeighbours = 20;
    std::vector<std::array<int32_t, kMaxNeighbours>> neighbours;
    std::vector<int32_t> counts;
    bool anyTwoStep = false; // some vertex has a downhill neighbour that has one too
};
void buildDownhillTable(const scene3d::Mesh& mesh, DownhillTable& table);

struct EdgeSpark {
    float f = 0, speed = 0;
    int32_t from = 0, to = 0;
    bool fadeIn = false, fadeOut = false;
};

struct StreamParticle {
    float position = 0, speed = 0;
    std::array<float, 3> phase{}, period{};
};

struct LoftStream {
    std::vector<scene3d::Point3f> path; // world space, 100 samples per segment
    fx::ParticlePool<StreamParticle> pool{1000};
};

struct TrailParticle {
    float position = 0, speed = 0, life = 0, loop = 850;
};

struct SwirlComet {
    int stride = 3, start = 0;
    float headPosition = 0, headSpeed = 0;
    int passes = 0;
    bool release = false;
    std::array<float, 3> phase{}, period{}; // theta, psi, phi
    fx::ParticlePool<TrailParticle> trail{1000};
};

struct Part2State {
    scene3d::Scene3ds scene;
    fx::ColourTable greys{};
    scene3d::SceneCamera* camera = nullptr;
    picture::Image32 sparkImage, streamImage, flashCopy;
    std::vector<scene3d::Mesh*> hidden;
    scene3d::Mesh *cylinder = nullptr, *gearDoor = nullptr;

    // Camera and animation control.
    bool started = false;
    uint32_t animStart = 0;
    float animDuration = 24000, reverseFrom = 0;
    bool reverse = false;
    int cameraIndex = 0;
    bool sparksOn = true, streamsOn = true;
    std::array<float, 3> slowAngles{};

    int fadeLevel = 255;
    int flashValue = 0;
    double flashStart = 0;
    fx::EventLatch<100> handledFlash;

    DownhillTable downhill;
    fx::ParticlePool<EdgeSpark> sparks{1000};
    std::array<LoftStream, 3> streams;
    std::array<SwirlComet, 5> comets;
    std::array<int32_t, 5> sync{};
};

class Part2 : public DemoPart {
  public:
    explicit Part2(Part1& city) : city_(city) {}
    void load(Stage& stage, int width, int height) override;
    void run(Stage& stage) override;
    HandOver handOver() const override;
    Part2State& state() { return *s_; }

    // Exposed for tests: the pieces of a frame.
    void drawFrame(Stage& stage);
    void controlCamera(uint32_t tick, int cursor3, int cursor4);
    void releaseSpark(float fps);
    void advanceSparks();
    void ghostingFlash(picture::Image32& target, uint32_t tick);
    void fadeIn(picture::Image32& target);

  private:
    void renderScene(picture::Image32& target);
    void drawSparks(picture::Image32& target);
    void releaseStream(LoftStream& s, float fps);
    void drawStream(LoftStream& s, picture::Image32& target);
    void startComets();
    void comets(picture::Image32& target, float fps);

    Part1& city_;
    std::unique_ptr<Part2State> s_ = std::make_unique<Part2State>();
};

} // namespace parts
