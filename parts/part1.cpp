#include "parts/part1.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "draw2d/draw2d.h"
#include "fx/light_flares.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "raster/render.h"
#include "raster/scene_draw.h"
#include "scene3d/camera.h"
#include "scene3d/scene3ds_reader.h"
#include "scene3d/scene_prep.h"

namespace parts {

using namespace scene3d;

namespace {

constexpr int kW = 512, kH = 256;
constexpr uint32_t kSkyMs = 46000, kRiseMs = 49000, kDarkMs = 52000, kHandOverMs = 55000,
                   kArrivalMs = 2000;

int rnd() {
    return platform::nextRandom();
}

float lerp(float a, float b, float t) {
    return (1 - t) * a + t * b;
}

SceneLight omni() {
    SceneLight l;
    l.spot = false, l.innerRange = 100, l.outerRange = 300, l.multiplier = 255;
    return l;
}

} // namespace

void Part1::load(Stage& stage, int, int) {
    Part1State& s = *s_;
    platform::seedRandom(platform::tickCount());
    picture::loadOrWarn(s.flare, "image/flare32.jpg");
    draw2d::loadFont(s.font, "dlg/font.tga");
    picture::addPalette(stage.resources, "blue.pal");
    if (const picture::Palette* p = picture::findPalette(stage.resources, "blue.pal"))
        s.palette = &p->table;
    s.depth.assign(static_cast<size_t>(kW) * kH, 0);
    for (int j = 0; j < 15; ++j)
        for (int i = 0; i < 15; ++i) {
            auto box = std::make_unique<Mesh>();
            buildCube(*box, 52.083332f);
            scaleVertices(*box, 1, 2, 1);
            computeBounds(*box), computeCentre(*box), computeFaceNormals(*box),
                computeVertexNormals(*box);
            box->renderMode = 73, box->colour = 0xFFFFFF, box->ambient = 0, box->diffuse = 225;
            box->shadeTable = s.palette;
            box->depthBuffer = &s.depth;
            box->flags |= kSortFaces | kCullBackFaces | kLightFromCentre;
            s.boxBase[static_cast<size_t>(i + 15 * j)] = {-468.75f + 62.5f * static_cast<float>(i),
                                                          -50,
                                                          -468.75f + 62.5f * static_cast<float>(j)};
            s.boxes.push_back(std::move(box));
        }
    buildGrid(s.floor, 10, 10, 1000, 1000);
    s.floor.scale = {1, 1, 1};
    s.floor.renderMode = 73, s.floor.colour = 0xFFFFFF, s.floor.ambient = 0, s.floor.diffuse = 225;
    s.floor.flags |= kCullBackFaces | kHeadlight | kLightFromCentre | kConstantColour;
    s.floor.flags &= ~kSortFaces;
    s.floor.constantColour = 0;
    s.floor.shadeTable = &s.zeroTable;
    s.floor.depthBuffer = &s.depth;
    placeMesh(s.floor);
    setupCamera(s.camera, -475, 145, -368, 120, kW, kH);
    s.camera.lightStart = 200, s.camera.lightEnd = 350;
    loadScene3ds("3D/p1.3ds", s.flight);
    for (auto& c : s.flight.cameras)
        setupCameraFromLens(*c, kW, kH);
    setUpSwarm(s.swarm, 1500);
    s.movingLight = omni();
    for (SceneLight& l : s.beatLights)
        l = omni(), l.innerRange = 0, l.outerRange = 0;
    s.city.create(kW, kH);
    std::fill_n(s.city.pixels, s.city.pixelCount(), 0u);
}

void Part1::placeLights() {
    Part1State& s = *s_;
    transformPoint(s.camera.viewMatrix, s.movingLight.cameraPosition, s.movingLight.position);
    for (SceneLight& l : s.beatLights)
        transformPoint(s.camera.viewMatrix, l.cameraPosition, l.position);
}

void Part1::drawMovingLightFlares(picture::Image32& target) {
    Part1State& s = *s_;
    Point3f c;
    transformPoint(s.camera.viewMatrix, c, s.movingLight.position);
    fx::drawFlare(target, s.flare, c, s.camera, c.z < 20 ? 1 : (c.z - 20) * 0.05f + 1,
                  s.depth.data(), 20);
}

void Part1::drawBoxes(picture::Image32& target, bool movingLightOnly) {
    Part1State& s = *s_;
    std::vector<SceneLight*> lights;
    if (movingLightOnly)
        lights.push_back(&s.movingLight);
    else
        for (SceneLight& l : s.beatLights)
            lights.push_back(&l);
    for (size_t b = 0; b < s.boxes.size(); ++b) {
        Mesh& box = *s.boxes[b];
        box.position = {s.boxBase[b].x, s.boxBase[b].y + s.lift[b], s.boxBase[b].z};
        placeMesh(box);
        raster::drawMeshWithLights(box, lights, s.camera, target);
    }
}

std::array<Block, 5> Part1::fiveBlockBeat() {
    Part1State& s = *s_;
    std::array<Block, 5> blocks{};
    if (s.firstFiveBeat) {
        s.firstFiveBeat = false;
        blocks = {{{6, 6}, {7, 8}, {7, 5}, {9, 9}, {8, 8}}};
        return blocks;
    }
    const int c = static_cast<int>((s.camera.target.x + 500) * 0.016f),
              r = static_cast<int>((s.camera.target.z + 500) * 0.016f);
    for (size_t k = 0; k < 5; ++k) {
        // Near a corner of the field no draw may satisfy the distance rule: after a bounded
        // number of draws the first block inside the field is taken.
        Block fallback{-1, -1};
        for (int attempt = 0;; ++attempt) {
            const Block b{c + 3 - rnd() % 6, r + 3 - rnd() % 6};
            const bool inside = b.column >= 0 && b.column <= 14 && b.row >= 0 && b.row <= 14;
            if (!inside) {
                if (attempt > 1000) { // the target is far outside the field: its nearest block
                    blocks[k] = {std::clamp(c, 0, 14), std::clamp(r, 0, 14)};
                    break;
                }
                continue;
            }
            if (fallback.column < 0) fallback = b;
            bool apart = true;
            for (size_t e = 0; e < k; ++e)
                apart = apart && (std::abs(b.column - blocks[e].column) >= 2 ||
                                  std::abs(b.row - blocks[e].row) >= 2);
            if (apart) {
                blocks[k] = b;
                break;
            }
            if (attempt > 200) {
                blocks[k] = fallback;
                break;
            }
        }
    }
    return blocks;
}

void Part1::threeBlockBeat() {
    Part1State& s = *s_;
    auto draw = [] { return Block{10 - rnd() % 6, 10 - rnd() % 6}; };
    auto far = [](Block a, Block b) {
        return std::abs(a.column - b.column) >= 2 || std::abs(a.row - b.row) >= 2;
    };
    const Block first = draw();
    Block second = draw();
    while (!far(second, first))
        second = draw();
    Block third = draw();
    while (!far(third, first) && !far(third, second))
        third = draw();
    for (const Block b : {first, second, third})
        for (Walker& w : s.swarm.walkers)
            if (around(w, b)) w.flash = 4.0f;
}

void Part1::mainDrawing(Stage& stage, picture::Image32& target, bool opening) {
    Part1State& s = *s_;
    const uint32_t now = stage.clock.frameTickCount;
    const float fps = static_cast<float>(std::max(1, stage.clock.framesPerSecond));
    if (!opening && !s.started) s.started = true, s.startTick = now;
    const uint32_t elapsed = opening ? 0 : now - s.startTick;

    // 2. The camera flight.
    std::fill(s.depth.begin(), s.depth.end(), 0);
    float t = static_cast<float>(elapsed) / 45 + 110;
    if (t > static_cast<float>(s.flight.frameCount)) t = 0;
    beginCameraStep(s.camera);
    if (!s.flight.cameras.empty()) {
        updateScene(s.flight, t);
        s.camera.eye = s.flight.cameras[0]->eye, s.camera.target = s.flight.cameras[0]->target;
    }
    finishCameraStep(s.camera);

    // 3. The bouncing light, until the first channel-1 beat.
    if (!s.bounceRetired) {
        s.bounceHeight -= s.bounceVelocity;
        s.bounceVelocity += 2.6f;
        if (s.bounceHeight < 20) s.bounceVelocity = 5 - s.bounceVelocity;
        s.bounceHeight = std::max(0.0f, s.bounceHeight);
        const float k = std::min(1.0f, static_cast<float>(elapsed) / kArrivalMs);
        const Point3f& goal = s.swarm.streets[7 + 16 * 7];
        s.movingLight.position = {lerp(-475, goal.x, k), s.bounceHeight, lerp(-368, goal.z, k)};
    } else {
        s.movingLight.position.y = -500;
    }
    // Arrival ends the light's flares and slows the frames, even when a beat retired it early.
    if (!opening && elapsed >= kArrivalMs) s.arrived = true;
    placeLights();

    // 4. The floor.
    raster::drawMeshWithLights(s.floor, {}, s.camera, target);

    // 5. The rise and the darkening.
    if (!opening) {
        bool dark = true;
        for (const SceneLight& l : s.beatLights)
            dark = dark && l.innerRange == 0 && l.outerRange == 0;
        if (elapsed >= kRiseMs && s.riseState == 0 && dark) s.riseState = 1;
        if (elapsed >= kDarkMs && s.riseState == 1) s.riseState = 2;
        if (s.riseState) {
            s.movingLight.position = {0, 400, 0};
            const float step = 240 / fps * (s.riseState == 1 ? 1.0f : -1.0f);
            s.movingLight.innerRange = std::max(0.0f, s.movingLight.innerRange + step);
            s.movingLight.outerRange = std::max(0.0f, s.movingLight.outerRange + step);
            if (s.riseState == 2)
                for (auto& b : s.boxes)
                    b->ambient = std::max(0, b->ambient - 1);
            placeLights();
        }
    }

    // 6. The boxes.
    for (float& l : s.lift)
        l = std::max(0.0f, std::min(l, 200.0f) - 44 / fps);
    drawBoxes(target, !s.bounceRetired || s.riseState != 0);
    if (opening) {
        drawMovingLightFlares(target);
        return;
    }

    // 7. The beats.
    if (s.sync[1] == 255) {
        const std::array<Block, 5> blocks = fiveBlockBeat();
        for (size_t k = 0; k < 5; ++k) {
            const Block b = blocks[k];
            s.lift[static_cast<size_t>(b.column + 15 * b.row)] =
                static_cast<float>(rnd() % 50 + 50);
            for (Walker& w : s.swarm.walkers)
                if (around(w, b)) {
                    w.hop = static_cast<float>(rnd() % 150 + 100);
                    w.boost = 0;
                    w.second = static_cast<float>(rnd() % 5 + 15);
                    w.flash = static_cast<float>(rnd() % 200) * 0.01f + 2;
                }
            SceneLight& l = s.beatLights[k];
            const Point3f& crossing = s.swarm.streets[static_cast<size_t>(b.column + 16 * b.row)];
            l.position = {crossing.x, 100, crossing.z};
            l.innerRange = 100, l.outerRange = 300;
        }
        s.bounceRetired = true;
        placeLights();
    }
    if (s.sync[2] == 255 && !s.headlightGiven) {
        s.headlightGiven = true;
        for (auto& b : s.boxes)
            b->flags |= kHeadlight;
    }
    if (s.sync[0] == 148) threeBlockBeat();

    // 8. The sky paths.
    if (elapsed >= kSkyMs && !s.swarm.inSky) makeSkyPaths(s.swarm);

    // 9. The hand-over.
    if (elapsed >= kHandOverMs) {
        s.lastPicture.create(kW, kH);
        target.copyTo(s.lastPicture);
        s.lastCamera = s.camera;
        s.handedOver = true;
        stage.context.partNumber = 2;
    }

    // 10. The bouncing light still flying: its flares, and nothing more.
    if (!s.arrived) {
        drawMovingLightFlares(target);
        return;
    }

    // 11. Beat lights fade; walkers walk and shine.
    for (SceneLight& l : s.beatLights)
        l.innerRange = std::max(0.0f, l.innerRange - 100 / fps),
        l.outerRange = std::max(0.0f, l.outerRange - 100 / fps);
    for (auto& b : s.boxes)
        b->flags &= ~kHeadlight;
    moveSwarm(s.swarm, fps, now);
    for (const Walker& w : s.swarm.walkers)
        drawWalker(w, s.camera, s.flare, target, s.depth.data());
}

void Part1::opening(Stage& stage) {
    Part1State& s = *s_;
    const LoadingPictures& lp = stage.loading;
    picture::Image32& fb = stage.framebuffer;
    if (!s.openingStarted) {
        s.openingStarted = true;
        mainDrawing(stage, s.city, true);
        s.openingStart = stage.clock.frameTickCount;
        s.strip1EndX = static_cast<float>(256 + 100 + rnd() % 100);
        s.strip3EndX = static_cast<float>(156 - rnd() % 100);
    }
    std::fill_n(fb.pixels, fb.pixelCount(), 0u);
    const uint32_t e = stage.clock.frameTickCount - s.openingStart;
    const float g = e >= 500 ? static_cast<float>(e - 500) * 0.0004f : 0;
    s.city.x = s.city.y = 0;
    // g passes 1 on the last opening frames; the alpha stops at 255 rather than wrap to black.
    draw2d::drawAlpha(s.city, fb, std::min(255, static_cast<int>(g * 255)));
    const float h1 = static_cast<float>(lp.strip1.height / 2),
                h2 = static_cast<float>(lp.strip2.height / 2),
                h3 = static_cast<float>(lp.strip3.height / 2);
    draw2d::spriteBilAdd(fb, lp.strip1, lerp(256, s.strip1EndX, g), lerp(h1, -h1, g), 1, 1);
    draw2d::spriteBilAdd(fb, lp.strip3, lerp(256, s.strip3EndX, g), lerp(h3 + 171, h2 + 256, g),
                         1.01f, 1.01f);
    if (e >= 500) {
        if (g < 0.3f)
            s.strip2Velocity -= 0.02f, s.strip2X -= s.strip2Velocity;
        else
            s.strip2Velocity += 0.3f, s.strip2X += s.strip2Velocity;
    }
    draw2d::spriteBilAdd(fb, lp.strip2, s.strip2X, h2 + 49, 1, 1);
    const int alpha = std::max(0, static_cast<int>((1 - static_cast<float>(e) * 0.001f) * 255));
    draw2d::spriteBilAlphaAdd(fb, lp.caption, static_cast<float>(lp.caption.width / 2) + 316.5f,
                              static_cast<float>(lp.caption.height / 2 + 197), 1, 1, alpha);
    if (e >= 3000) sound::startMusic(stage.context), s.musicStarted = true;
}

void Part1::run(Stage& stage) {
    Part1State& s = *s_;
    const uint32_t start = platform::tickCount();
    if (!s.musicStarted) {
        opening(stage);
        waitFrameTime(start, 30);
        return;
    }
    s.keys.step(stage.input);
    std::fill_n(stage.framebuffer.pixels, stage.framebuffer.pixelCount(), 0u);
    sound::updateSync(stage.context, s.sync.data(), 0);
    mainDrawing(stage, stage.framebuffer, false);
    waitFrameTime(start, s.arrived ? 43.47826 : 25.0);
}

} // namespace parts

namespace parts {

HandOver Part1::handOver() const {
    return {1, "(other/s0, read at start-up)", "more than 54999 ms since its picture began",
            "30 ms, 25 ms, then 43.47826 ms"};
}

} // namespace parts
