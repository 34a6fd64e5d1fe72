#include "parts/part8.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "draw2d/draw2d.h"
#include "fx/light_flares.h"
#include "fx/scene_description.h"
#include "fx/scene_pass.h"
#include "picture/palette.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "scene3d/camera.h"
#include "scene3d/scene_prep.h"

namespace parts {

using namespace scene3d;

namespace {

constexpr int kFadeStep = 5;
constexpr int kLogoFlashValue = 200;
// The meshes whose shade tables colour the three streams, in stream order.
constexpr std::array<size_t, 3> kStreamColourMeshes = {9, 8, 3};

// The part can do without any one of its pictures: a line names it, and the part plays on.
void playOnWithout(const std::string& file, const std::string& problem) {
    std::fprintf(stderr, "demo: %s: %s; the show plays on\n", file.c_str(), problem.c_str());
}

template <typename Image> bool loadOrPlayOn(Image& image, const std::string& name) {
    const picture::LoadResult r = image.load(name);
    if (r == picture::kLoaded) return true;
    playOnWithout(name, r == picture::kCannotOpen ? "file doesn't exist"
                                                  : "cannot be read (" + std::to_string(r) + ")");
    return false;
}

void refuse(const std::string& file, const std::string& problem) {
    platform::messageBox(file, file + ": " + problem);
    platform::fatalExit(-1);
}

// Everything but the tracks and the name, which the part's copy does not use.
void copyPose(SceneCamera& to, const SceneCamera& from) {
    to.eye = from.eye, to.target = from.target;
    to.scaleX = from.scaleX, to.scaleY = from.scaleY;
    to.pitch = from.pitch, to.yaw = from.yaw, to.roll = from.roll;
    to.fov = from.fov, to.bank = from.bank, to.lens = from.lens;
    to.viewWidth = from.viewWidth, to.viewHeight = from.viewHeight;
    to.eyeView = from.eyeView, to.targetView = from.targetView,
    to.viewDirection = from.viewDirection;
    to.planes = from.planes;
    to.viewMatrix = from.viewMatrix, to.viewRotation = from.viewRotation;
    to.lightStart = from.lightStart, to.lightEnd = from.lightEnd,
    to.lightHotspot = from.lightHotspot, to.lightFalloff = from.lightFalloff;
    to.spotMode = from.spotMode, to.spotSide = from.spotSide;
}

} // namespace

void Part8::load(Stage& stage, int width, int height) {
    Part8State& s = *s_;
    prepareScene(s.scene, "3d/p8.3ds", ScenePreparation{});
    fx::readSceneDescription("3d/p8", s.scene, stage.resources);
    for (const char* name : {"Text01", "Text02", "Text03"})
        if (Mesh* m = findMesh(s.scene, name)) m->renderMode = 73; // FLATZ
    s.cylinder = findMesh(s.scene, "Cylinder01");

    // The closing image is copied over the whole picture: one of another size is left out.
    s.closingImageShown = loadOrPlayOn(s.closingImage, "image/endofdemo.tga");
    if (s.closingImageShown && (s.closingImage.width != width || s.closingImage.height != height)) {
        s.closingImageShown = false;
        playOnWithout("image/endofdemo.tga", std::to_string(s.closingImage.width) + " x " +
                                                 std::to_string(s.closingImage.height) + ", not " +
                                                 std::to_string(width) + " x " +
                                                 std::to_string(height));
    }
    loadOrPlayOn(s.flare8, "image/flare.tga");
    for (size_t n = 0; n < s.streams.size(); ++n)
        fx::readParticleStream("other/sp" + std::to_string(n), s.streams[n]);

    for (size_t k = 0; k < kStreamColourMeshes.size(); ++k) {
        const size_t i = kStreamColourMeshes[k];
        if (i >= s.scene.meshes.size() || !s.scene.meshes[i]->shadeTable)
            refuse(
                "3d/p8.3ds",
                "the streams take their colours from the shade tables of meshes 9, 8 and 3; mesh " +
                    std::to_string(i) + (i >= s.scene.meshes.size() ? " is missing" : " has none"));
        picture::indexedToImage32(s.streamFlares[k], s.flare8, *s.scene.meshes[i]->shadeTable);
    }
    loadOrPlayOn(s.logo, "image/vesk.jpg");
}

HandOver Part8::handOver() const {
    return {8, "other/s7", "never: runs until the user quits", "28 ms"};
}

void Part8::run(Stage& stage) {
    Part8State& s = *s_;
    const uint32_t start = platform::tickCount();
    sound::DemoContext& context = stage.context;
    if (!s.syncRead) {
        s.syncRead = true;
        sound::allocateSyncTable(context);
        sound::readSyncFile(context, "other/s7");
        sound::resetSyncCursors(context, 0);
    }
    sound::updateSync(context, s.sync.data(), 0);
    s.keys.step(stage.input);
    const int cursor2 = context.syncTable ? context.syncTable->entries[0].cursors[2] : -1;
    drawFrame(stage.framebuffer, cursor2);
    waitFrameTime(start, 28);
}

void Part8::drawFrame(picture::Image32& target, int cursor2) {
    fadeToClosingImage(target, cursor2);
    drawScene(target, cursor2);
}

void Part8::fadeToClosingImage(picture::Image32& target, int cursor2) {
    Part8State& s = *s_;
    if (cursor2 > 0) s.fadeLevel += kFadeStep;
    if (s.fadeLevel >= 255) s.fadeLevel = 255;
    if (!s.closingImageShown) {
        draw2d::fill(target, 0);
        return;
    }
    if (s.fadeLevel == 255) {
        s.closingImage.copyTo(target);
        return;
    }
    draw2d::fill(target, 0);
    s.closingImage.x = 0, s.closingImage.y = 0;
    draw2d::drawAlpha(s.closingImage, target, s.fadeLevel);
}

void Part8::drawScene(picture::Image32& target, int cursor2) {
    Part8State& s = *s_;
    Scene3ds& scene = s.scene;
    if (!scene.cameras.empty()) {
        // The scene's own clock: 5 frames a second from the first frame, held on its last.
        const uint32_t now = platform::tickCount();
        if (!s.clockStarted) s.clockStarted = true, s.clockStart = now;
        const float t = std::min(static_cast<float>(now - s.clockStart) * 0.005f,
                                 static_cast<float>(std::max(0, scene.frameCount - 1)));
        updateScene(scene, t);
        copyPose(s.camera, *scene.cameras[0]);
        updateProjection(s.camera);
        beginCameraStep(s.camera);
        finishCameraStep(s.camera);
        clearDepth(scene, scene3d::kFrameDepthWords);

        fx::ScenePass pass;
        pass.beforeMesh = [&](Mesh& m) {
            if (&m != s.cylinder || cursor2 != 1) return;
            const float swell = static_cast<float>(s.sync[1]) / 255;
            m.scale[0] += swell, m.scale[2] += swell;
            m.worldMatrix = m.rotationMatrix;
            scaleMatrix(m.worldMatrix, m.scale[0], m.scale[1], m.scale[2]);
            translateMatrix(m.worldMatrix, m.position.x, m.position.y, m.position.z);
        };
        fx::drawScene(scene, s.camera, target, pass);
        fx::drawLightFlares(target, city_.state().flare, scene, s.camera, scene.depthBuffer.data());
    }

    if (cursor2 == 1) s.streamsStarted = true;
    if (s.streamsStarted)
        for (size_t k = 0; k < s.streams.size(); ++k) {
            s.streams[k].update();
            s.streams[k].draw(target, s.streamFlares[k]);
        }

    if (cursor2 == 1 && s.sync[1] == kLogoFlashValue) s.logoLevel = 255;
    s.logoLevel = std::max(0.0f, s.logoLevel - 3);
    draw2d::spriteBilAlphaAdd(target, s.logo, 130, 230, 0.8f, 0.8f, static_cast<int>(s.logoLevel));
}

} // namespace parts
