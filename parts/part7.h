#pragma once
// part 7, the credits: the hall "3D/p7.3ds" plays under its lights, whose places glow as
// flares; in its middle a sphere breathes, then wobbles, spinning up on the beats; two fixed
// planes cut it and the cut lines are chains of flares; beats blur the picture or split it
// into a fading double image; three credit pictures fade in and out in turn.
#include <array>
#include <vector>

#include "fx/colour_tables.h"
#include "fx/sync_latch.h"
#include "fx/wave_table.h"
#include "parts/part.h"
#include "parts/part1.h"
#include "scene3d/scene.h"

namespace parts {

// A plane through three points that cuts the sphere; the crossings of the sphere's faces
// with it make a point mesh drawn as flares.
struct Slicer {
    std::array<scene3d::Point3f, 3> points{};
    scene3d::Plane plane{};
    scene3d::Mesh cut; // its vertices: the crossings of the last frame
};

// The points where the faces of a mesh (given turned, in `turned`) cross the plane: of each
// face that keeps at least three corners on the plane's front after clipping, only the
// corners the clipping inserted.
void cutLine(const scene3d::Mesh& sphere, const std::vector<scene3d::Point3f>& turned,
             const scene3d::Plane& plane, std::vector<scene3d::Point3f>& out);

struct CreditFade {
    const char* file;
    int x, y;
    int inCursor, outCursor; // channel 0's cursor on the 255 frame that starts each fade
    bool hiddenAtZero;       // drawn only while its opacity is not 0
    picture::LoadedImage32 image;
    int state = 0; // 0 not started, 1 fading in, 2 fading out
    float opacity = 0;
};

struct Part7State {
    scene3d::Scene3ds scene;
    scene3d::SceneCamera camera;
    picture::Image32 work, flare;
    scene3d::Mesh sphere;
    std::array<Slicer, 2> slicers;
    fx::WaveTable wave;
    std::array<std::array<float, 3>, 256> triples{};
    std::array<CreditFade, 3> credits{{{"image/grisa.tga", 0, 196, 2, 3, true, {}},
                                       {"image/tarnwick.tga", 0, 0, 3, 4, false, {}},
                                       {"image/olvem.tga", 0, 196, 4, 5, true, {}}}};

    bool started = false;
    uint32_t sceneStart = 0;
    float scenePeriod = 20000;
    bool sceneSlowed = false;
    float breathing = 0, wobble = 0, waveOffset = 0;
    std::array<float, 3> periods{30000, 30000, 30000}, angles{};
    bool spinZNext = true; // the next beat spins about Z, the one after about X
    fx::EventLatch<sound::kSyncEvents> beats;
    bool blurOn = false;
    uint32_t blurStart = 0;
    bool doubleOn = false;
    uint32_t doubleStart = 0;
    int doubleLevel = 0;
    std::array<int32_t, 5> sync{};
};

class Part7 : public DemoPart {
  public:
    explicit Part7(Part1& city) : city_(city) {}
    void load(Stage& stage, int width, int height) override;
    void run(Stage& stage) override;
    HandOver handOver() const override;
    Part7State& state() { return *s_; }

    // Exposed for tests: the pieces of a frame.
    void drawFrame(Stage& stage);
    void shapeSphere(int cursor0, int cursor1, float fps);
    void spin(int cursor1, float fps);
    void drawSphere(picture::Image32& target, int cursor0);
    void fadeCredits(picture::Image32& target, int cursor0, float fps);
    float sceneFrame(uint32_t now, int cursor0);

  private:
    Part1& city_;
    std::unique_ptr<Part7State> s_ = std::make_unique<Part7State>();
};

} // namespace parts
