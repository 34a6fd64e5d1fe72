#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "fx/light_flares.h"
#include "parts/part7.h"
#include "platform/clock.h"
#include "scene3d/camera.h"
#include "tests/parts/part_stage.h"

using namespace parts;
using scene3d::Point3f;

namespace {

// part 7 loaded in a fresh production (part 1 lends it only its flare).
struct Credits : testing_files::PartStage {
    Part1 city;
    std::unique_ptr<Part7> part;

    Credits() : PartStage("part7") {
        open();
        city.state().flare.load("image/flare32.jpg");
        part = std::make_unique<Part7>(city);
        part->load(stage, 512, 256);
    }
    int lit() const {
        int n = 0;
        for (size_t i = 0; i < framebuffer.pixelCount(); ++i)
            n += framebuffer.pixels[i] != 0;
        return n;
    }
};

scene3d::Mesh oneTriangle(Point3f a, Point3f b, Point3f c) {
    scene3d::Mesh m;
    m.vertices = {a, b, c};
    m.faces = {{0, 0, 1, 2, 0, 0}};
    return m;
}

} // namespace

TEST(Part7, CutLinePointsAreOnlyTheInsertedCrossings) {
    const scene3d::Plane up{0, 1, 0, 0}; // kept where y >= 0
    std::vector<Point3f> out;
    // Two corners in front, one behind: two crossings, none of them a corner.
    scene3d::Mesh m = oneTriangle({0, 2, 0}, {4, 2, 0}, {2, -2, 0});
    cutLine(m, m.vertices, up, out);
    ASSERT_EQ(out.size(), 2u);
    for (const Point3f& p : out)
        EXPECT_NEAR(p.y, 0, 1e-5);
    EXPECT_NEAR(out[0].x + out[1].x, 4, 1e-5);
    // One corner in front: the clipped triangle keeps three points, two of them inserted.
    m = oneTriangle({0, -2, 0}, {4, -2, 0}, {2, 2, 0});
    cutLine(m, m.vertices, up, out);
    EXPECT_EQ(out.size(), 2u);
    // Wholly in front or wholly behind: no crossing.
    m = oneTriangle({0, 1, 0}, {4, 1, 0}, {2, 3, 0});
    cutLine(m, m.vertices, up, out);
    EXPECT_TRUE(out.empty());
    m = oneTriangle({0, -1, 0}, {4, -1, 0}, {2, -3, 0});
    cutLine(m, m.vertices, up, out);
    EXPECT_TRUE(out.empty());
}

TEST(Part7, SceneClockSpinToggleAndCreditStep) {
    Credits c;
    Part7State& s = c.part->state();
    ASSERT_GT(s.scene.frameCount, 0);
    // The scene clock: 50 frames a second, and frame 0 once past the animation's end.
    EXPECT_FLOAT_EQ(c.part->sceneFrame(1000, 0), 0);
    EXPECT_FLOAT_EQ(c.part->sceneFrame(2000, 0), 50);
    EXPECT_FLOAT_EQ(
        c.part->sceneFrame(1000 + static_cast<uint32_t>(s.scene.frameCount) * 20 + 20, 0), 0);
    // The slower clock starts 4200 ms in on channel 0's 255 frame at cursor 2.
    s.sync[0] = 255;
    EXPECT_FLOAT_EQ(c.part->sceneFrame(50000, 2), 140);
    s.sync[0] = 0;

    // Two beats that belong to one event count once: Z spins up, X does not.
    s.sync[1] = 255;
    c.part->spin(6, 30);
    c.part->spin(6, 30);
    EXPECT_FLOAT_EQ(s.periods[2], 13 + 2 * 30.0f / 30);
    EXPECT_FLOAT_EQ(s.periods[0], 30000 + 2 * 30.0f / 30);
    c.part->spin(7, 30);
    EXPECT_FLOAT_EQ(s.periods[0], 13 + 30.0f / 30) << "the next event spins about X";

    // Credits: 8 a frame at 25 fps, up to 155; grisa in on cursor 2, out on cursor 3.
    s.sync[0] = 255;
    c.part->fadeCredits(c.framebuffer, 2, 25);
    EXPECT_FLOAT_EQ(s.credits[0].opacity, 8);
    s.sync[0] = 0;
    for (int f = 0; f < 30; ++f)
        c.part->fadeCredits(c.framebuffer, 2, 25);
    EXPECT_FLOAT_EQ(s.credits[0].opacity, 155);
    EXPECT_EQ(s.credits[1].state, 0);
    s.sync[0] = 255;
    c.part->fadeCredits(c.framebuffer, 3, 25);
    EXPECT_FLOAT_EQ(s.credits[0].opacity, 147);
    EXPECT_FLOAT_EQ(s.credits[1].opacity, 8);
}

TEST(Part7, WhileCursorTwoTheSphereHidesButItsCutLinesShow) {
    Credits c;
    Part7State& s = c.part->state();
    s.camera.eye = {0, 0, -320}, s.camera.target = {0, 0, 0};
    scene3d::beginCameraStep(s.camera);
    scene3d::refreshCamera(s.camera);
    scene3d::buildViewMatrix(s.camera);
    c.part->shapeSphere(0, 0, 30);
    auto drawn = [&](int cursor0) {
        std::fill_n(c.framebuffer.pixels, c.framebuffer.pixelCount(), 0u);
        scene3d::clearDepth(s.scene, scene3d::kFrameDepthWords);
        c.part->drawSphere(c.framebuffer, cursor0);
        int depthWritten = 0;
        for (int32_t d : s.scene.depthBuffer)
            depthWritten += d != 0;
        return depthWritten;
    };
    EXPECT_EQ(drawn(2), 0) << "no sphere";
    EXPECT_GT(s.slicers[0].cut.vertices.size(), 40u);
    EXPECT_GT(s.slicers[1].cut.vertices.size(), 40u);
    EXPECT_GT(c.lit(), 500) << "the cut lines' flares";
    EXPECT_GT(drawn(0), 5000) << "the sphere";

    // A light flare needs the light in front of z = 1.
    scene3d::Scene3ds scene;
    scene.lights.push_back(std::make_unique<scene3d::SceneLight>());
    scene.lights[0]->cameraPosition = {0, 0, 1};
    std::vector<int32_t> depth(512 * 256, 0);
    std::fill_n(c.framebuffer.pixels, c.framebuffer.pixelCount(), 0u);
    fx::drawLightFlares(c.framebuffer, c.city.state().flare, scene, s.camera, depth.data());
    EXPECT_EQ(c.lit(), 0);
    scene.lights[0]->cameraPosition = {0, 0, 1.01f};
    fx::drawLightFlares(c.framebuffer, c.city.state().flare, scene, s.camera, depth.data());
    EXPECT_GT(c.lit(), 0);
}
