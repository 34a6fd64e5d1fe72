// What the generated scenes and pictures must show: part 1's city and camera flight as the
// part plays them, the launcher's text clear of its rings, the viewer's buttons marked.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "picture/image32.h"
#include "picture/palette.h"
#include "scene3d/camera.h"
#include "scene3d/math3d.h"
#include "scene3d/scene3ds_reader.h"
#include "scene3d/scene_prep.h"

#ifndef PRODUCTION_DIR
#error "the tests need the generated production folder"
#endif

using namespace scene3d;

namespace {

const std::string kData = std::string(PRODUCTION_DIR) + "/data/";

int channel(uint32_t c, int shift) {
    return static_cast<int>(c >> shift & 0xFF);
}

// part 1's camera at flight frame t, set up and stepped as the part does it.
struct Flight {
    Scene3ds scene;
    SceneCamera camera;
    Flight() {
        loadScene3ds(kData + "3D/p1.3ds", scene);
        for (auto& c : scene.cameras)
            setupCameraFromLens(*c, 512, 256);
        setupCamera(camera, -475, 145, -368, 120, 512, 256);
    }
    void at(float t) {
        beginCameraStep(camera);
        updateScene(scene, t);
        camera.eye = scene.cameras[0]->eye, camera.target = scene.cameras[0]->target;
        finishCameraStep(camera);
    }
    bool inPicture(Point3f p) const {
        Point3f c;
        transformPoint(camera.viewMatrix, c, p);
        if (!(c.z > 1)) return false;
        ProjectedVertex v;
        projectPoint(v, c, camera);
        return v.x >= 0 && v.x < 512 && v.y >= 0 && v.y < 256;
    }
};

// Flight frames at the part's 45 ms a frame from frame 110.
float frameAt(double seconds) {
    return static_cast<float>(seconds * 1000 / 45 + 110);
}

} // namespace

TEST(GeneratedScenes, BlueShadesLeaveUnlitBoxesDarkBlue) {
    picture::ColourTable blue{};
    ASSERT_EQ(picture::loadPaletteFile(kData + "palette/blue.pal", blue), 2);
    // Not black: an unlit face must stand out from the black floor, and stay dark.
    EXPECT_GT(channel(blue[0], 0), 40);
    EXPECT_GT(channel(blue[0], 0), 2 * channel(blue[0], 16));
    EXPECT_LT(channel(blue[0], 16) + channel(blue[0], 8) + channel(blue[0], 0), 150);
    for (size_t i = 1; i < 256; ++i)
        for (int shift : {0, 8, 16})
            EXPECT_GE(channel(blue[i], shift), channel(blue[i - 1], shift)) << i;
    for (int shift : {0, 8, 16})
        EXPECT_GT(channel(blue[255], shift), 200);
}

TEST(GeneratedScenes, TheFlightShowsTheCityItsLightAndTheSky) {
    Flight f;
    ASSERT_FALSE(f.scene.cameras.empty());
    ASSERT_GE(f.scene.frameCount, frameAt(55));
    // While the bouncing light flies (2 s from (-475, -368) to the crossing (7, 7)), it is in
    // the picture; when the camera light is given (0.5 s), boxes are within its reach (350).
    for (double s = 0; s <= 2.0; s += 0.1) {
        f.at(frameAt(s));
        const float k = static_cast<float>(std::min(1.0, s / 2));
        EXPECT_TRUE(f.inPicture({-475 + k * (-62.5f + 475), 50, -368 + k * (-62.5f + 368)})) << s;
    }
    f.at(frameAt(0.5));
    float nearest = 1e9f;
    for (int j = 0; j < 15; ++j)
        for (int i = 0; i < 15; ++i) {
            const Point3f box{-468.75f + 62.5f * i, -50, -468.75f + 62.5f * j};
            nearest = std::min(nearest, std::hypot(box.x - f.camera.eye.x, box.y - f.camera.eye.y,
                                                   box.z - f.camera.eye.z));
        }
    EXPECT_LT(nearest, 300.0f);
    // Frames that break each rule, and the first of them.
    struct Rule {
        const char* what;
        int broken = 0;
        float first = -1;
        void check(bool ok, float t) {
            if (!ok && broken++ == 0) first = t;
        }
    } low{"eye at or below 100, among lifted boxes"},
        middle{"the city's middle out of the picture"}, target{"target off the field before 46 s"},
        sky{"the walkers' column out of the picture after 46 s"};
    for (float t = frameAt(0); t < frameAt(55); t += 1) {
        f.at(t);
        low.check(f.camera.eye.y > 100.0f, t);
        middle.check(f.inPicture({0, 0, 0}), t);
        if (t < frameAt(46)) {
            // The five-block beats fall around the target: it stays over the field.
            target.check(
                std::abs(f.camera.target.x) < 490.0f && std::abs(f.camera.target.z) < 490.0f, t);
        } else {
            // The walkers spiral up over the middle toward (19 .. 39, 1400 .. 1800, 62 .. 82).
            bool seen = true;
            for (float y = 0; y <= 400; y += 100)
                seen = seen && f.inPicture({30, y, 70});
            sky.check(seen, t);
        }
    }
    for (const Rule& r : {low, middle, target, sky})
        EXPECT_EQ(r.broken, 0) << r.what << ", first at flight frame " << r.first;
}

TEST(GeneratedScenes, TheLauncherTextClearsTheRings) {
    Scene3ds scene;
    prepareScene(scene, kData + "dlg/dlg.3ds", ScenePreparation{});
    ASSERT_FALSE(scene.cameras.empty());
    picture::LoadedImage32 foreground;
    ASSERT_EQ(foreground.load(kData + "dlg/foreground.jpg"), picture::kLoaded);
    for (float t : {0.0f, 100.0f, 250.0f}) {
        updateScene(scene, t);
        SceneCamera& camera = *scene.cameras[0];
        updateProjection(camera), beginCameraStep(camera), finishCameraStep(camera);
        for (const char* name : {"rStart", "rInfo"}) {
            const Mesh* ring = findMesh(scene, name);
            ASSERT_NE(ring, nullptr) << name;
            float radius = 0;
            for (const Point3f& v : ring->vertices)
                radius = std::max(radius, std::hypot(v.x, v.y, v.z));
            Point3f centre = ring->position, c;
            transformPoint(camera.viewMatrix, c, centre);
            ProjectedVertex p;
            projectPoint(p, c, camera);
            // The wobble only tilts the ring, a little nearer at most: 2 pixels to spare.
            const float reach = radius * std::max(camera.scaleX, camera.scaleY) / c.z + 2;
            int crossed = 0;
            for (int y = 0; y < foreground.height; ++y)
                for (int x = 0; x < foreground.width; ++x) {
                    const uint32_t px = foreground.pixels[y * foreground.width + x];
                    const bool text = channel(px, 16) + channel(px, 8) + channel(px, 0) > 200;
                    crossed += text && std::hypot(x - p.x, y - p.y) < reach;
                }
            EXPECT_EQ(crossed, 0) << name << " at frame " << t;
        }
    }
}

TEST(GeneratedScenes, TheViewerPanelMarksItsButtons) {
    // The panel is subtracted: where it is low, the scene behind shows; its rail is high.
    picture::LoadedImage32 panel;
    ASSERT_EQ(panel.load(kData + "dlg/nfoBck.jpg"), picture::kLoaded);
    auto level = [&](int x, int y) { return channel(panel.pixels[y * panel.width + x], 8); };
    struct Button {
        const char* file;
        int left, top;
    };
    for (const Button b : {Button{"dlg/exit.jpg", 500, 4}, Button{"dlg/scrollUp.jpg", 500, 20},
                           Button{"dlg/scrollDown.jpg", 501, 239}}) {
        picture::LoadedImage32 sign;
        ASSERT_EQ(sign.load(kData + b.file), picture::kLoaded);
        int lit = 0, litSum = 0, dark = 0, darkSum = 0;
        for (int y = 0; y < sign.height; ++y)
            for (int x = 0; x < sign.width; ++x) {
                const bool on = channel(sign.pixels[y * sign.width + x], 0) > 128;
                (on ? lit : dark) += 1;
                (on ? litSum : darkSum) += level(b.left + x, b.top + y);
            }
        ASSERT_GT(lit, 0) << b.file;
        ASSERT_GT(dark, 0) << b.file;
        EXPECT_GT(darkSum / dark - litSum / lit, 80)
            << b.file << ": the sign shows lighter than the rail";
    }
}
