#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "fx/colour_tables.h"
#include "raster/render.h"
#include "raster/scene_draw.h"
#include "raster/texture_fillers.h"
#include "scene3d/camera.h"

using namespace raster;
using namespace scene3d;

namespace {

constexpr int kW = 512, kH = 256;
constexpr uint32_t kBackground = 0x00404040;

// A lit, textured scene: a sphere of radius 50 at the origin, seen from z = -200, one light.
struct World {
    Scene3ds scene;
    SceneCamera camera;
    picture::LoadedImage32 texture;
    std::array<uint32_t, 256> palette{};
    fx::ColourTable greys = fx::makeGreyRamp();
    Image32 target;
    picture::Image32 sprite;

    World() {
        for (uint32_t i = 0; i < 256; ++i)
            palette[i] = i * 0x010101u;
        texture.create(256, 256);
        // Smooth, so that a texel's neighbour differs from it by at most one level, and bright
        // enough that no shade subtracts it to black.
        for (int i = 0; i < 256 * 256; ++i)
            texture.pixels[i] = 0x00A0A0A0u + (static_cast<uint32_t>(i & 255) >> 2 << 16) +
                                (static_cast<uint32_t>(i >> 8) >> 2 << 8);
        EXPECT_TRUE(texture.buildTiledCopy());
        sprite.create(8, 8);
        for (size_t i = 0; i < sprite.pixelCount(); ++i)
            sprite.pixels[i] = 0x00101010;
        scene.depthBuffer.assign(kSceneBufferBytes / 4, 0);
        auto light = std::make_unique<SceneLight>();
        light->position = {-150, 100, -200}, light->innerRange = 1000, light->outerRange = 2000;
        scene.lights.push_back(std::move(light));
        aim({0, 0, -200}, {0, 0, 0});
        target.create(kW, kH);
        clear();
    }
    void aim(Point3f eye, Point3f at) {
        setupCamera(camera, eye.x, eye.y, eye.z, 60, kW, kH);
        camera.target = at;
        finishCameraStep(camera);
        beginCameraStep(camera);
    }
    Mesh& add(std::unique_ptr<Mesh> m) {
        m->depthBuffer = &scene.depthBuffer;
        m->shadeTable = &palette;
        m->texture = &texture;
        m->pointSprite = &sprite;
        m->ambient = 100; // every shade value below the texels
        placeMesh(*m);
        scene.meshes.push_back(std::move(m));
        return *scene.meshes.back();
    }
    Mesh& sphere() {
        auto m = std::make_unique<Mesh>();
        buildSphere(*m, 50, 12, 16);
        m->flags |= kCullBackFaces;
        return add(std::move(m));
    }
    // One triangle; `facing` puts it so that culling keeps it.
    Mesh& triangle(std::array<Point3f, 3> p) {
        auto m = std::make_unique<Mesh>();
        m->vertices = {p[0], p[1], p[2]};
        m->faces = {MeshFace{0, 0, 1, 2, 0, 0}};
        m->mapping = {{0, 0}, {255, 0}, {0, 255}};
        m->flags |= kHasFaces | kHasMapping;
        allocateFrameArrays(*m);
        computeFaceNormals(*m);
        computeVertexNormals(*m);
        buildEdges(*m);
        computeCentre(*m);
        computeBounds(*m);
        return add(std::move(m));
    }
    void clear() {
        for (size_t i = 0; i < target.pixelCount(); ++i)
            target.pixels[i] = kBackground;
        clearDepth(scene, scene.depthBuffer.size());
    }
    void draw(Mesh& m) { drawMeshInScene(m, scene, camera, target, greys.data()); }
    int changed() const {
        int n = 0;
        for (size_t i = 0; i < target.pixelCount(); ++i)
            n += target.pixels[i] != kBackground;
        return n;
    }
    int depthWritten() const {
        int n = 0;
        for (size_t i = 0; i < target.pixelCount(); ++i)
            n += scene.depthBuffer[i] != 0;
        return n;
    }
};

bool opaqueZ(int32_t id) {
    return id == 73 || id == 83 || id == 30 || id == 40 || id == 45;
}
bool additive(int32_t id) {
    return id == 26 || id == 31 || id == 36 || id == 41 || id == 46 || id == 71 || id == 74 ||
           id == 81 || id == 84 || id == 301;
}

} // namespace

TEST(Render, ModeNames) {
    EXPECT_EQ(lookupRenderMode("PMAPZ"), 40);
    EXPECT_EQ(findRenderMode("LINE_AA"), 11);
    EXPECT_EQ(lookupRenderMode("PMAPZ_SHADE_PSUB"), 45);
    EXPECT_EQ(lookupRenderMode("pmapz"), -1);
    int seen = 0;
    for (const ModeTraits& m : renderModes())
        seen += m.name && lookupRenderMode(m.name) == m.id;
    EXPECT_EQ(seen, 30);
    // The ids the part code sets have rows but no names; the hidden doors are drawn first.
    for (int32_t id : {kFlatFadeAdd, kFlatDirectional, kHiddenMode}) {
        ASSERT_NE(modeTraits(id), nullptr);
        EXPECT_EQ(modeTraits(id)->name, nullptr);
        EXPECT_FALSE(drawnAfterOpaque(id));
    }
    EXPECT_EQ(modeTraits(13), nullptr);
    EXPECT_EXIT(findRenderMode("pmapz"), testing::ExitedWithCode(255), "pmapz: mode not found");
}

TEST(Render, RoundingIsToNearestEven) {
    EXPECT_EQ(roundToInt(2.5), 2);
    EXPECT_EQ(roundToInt(3.5), 4);
    EXPECT_EQ(roundToInt(-2.5), -2);
    EXPECT_EQ(roundToInt(-7.6), -8);
    EXPECT_EQ(roundToInt(1.4999), 1);
    EXPECT_EQ(roundToInt(655360.7), 655361);
}

TEST(Render, EveryModeOnALitTexturedSphere) {
    World w;
    Mesh& ball = w.sphere();
    w.draw(ball); // places it: the projected disc is what every mode must stay inside
    float left = 1e9f, right = -1e9f, top = 1e9f, bottom = -1e9f;
    for (const ProjectedVertex& p : ball.projected)
        left = std::min(left, p.x), right = std::max(right, p.x), top = std::min(top, p.y),
        bottom = std::max(bottom, p.y);
    const float cx = (left + right) / 2, cy = (top + bottom) / 2, r = (right - left) / 2;
    ASSERT_GT(r, 40);
    ASSERT_NEAR(cx, 256, 1);
    ASSERT_NEAR(cy, 128, 1);
    std::vector<int32_t> modes = {kFlatFadeAdd, kFlatDirectional};
    for (const ModeTraits& m : renderModes())
        if (m.name) modes.push_back(m.id);
    for (int32_t id : modes) {
        w.clear();
        ball.renderMode = id;
        ball.faceData.assign(std::max(ball.vertices.size(), ball.faces.size()), FaceData{});
        w.draw(ball);
        SCOPED_TRACE(id);
        int inside = 0, outside = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const uint32_t p = w.target.pixels[y * kW + x];
                if (p == kBackground) continue;
                const float d = std::hypot(x - cx, y - cy);
                (d <= r + (id == 1 ? 8 : 4) ? inside : outside) +=
                    1; // sprites spread past their vertex
                if (additive(id)) {
                    for (int k = 0; k < 24; k += 8)
                        ASSERT_GE((p >> k) & 255, (kBackground >> k) & 255) << x << "," << y;
                }
            }
        EXPECT_EQ(outside, 0);
        const float disc = 3.14159f * r * r;
        if (id == 1)
            EXPECT_GT(inside, 50); // a sprite per vertex in front
        else if (id == 11 || id == 12)
            EXPECT_GT(inside, 1000);
        else
            EXPECT_GT(inside, 0.9f * disc) << "faces cover the sphere's disc";
        EXPECT_EQ(modeTraits(id)->depthWrite, opaqueZ(id));
        EXPECT_EQ(modeTraits(id)->blend == Blend::Add && id != 1, additive(id));
        if (opaqueZ(id))
            EXPECT_GT(w.depthWritten(), 0.9f * disc);
        else
            EXPECT_EQ(w.depthWritten(), 0);
    }
}

TEST(Render, LinesStayOnTheEdges) {
    World w;
    Mesh& ball = w.sphere();
    ball.renderMode = 11;
    w.draw(ball);
    std::vector<uint8_t> near(kW * kH, 0);
    for (const auto& e : ball.edges) {
        const ProjectedVertex &a = ball.projected[static_cast<size_t>(e[0])],
                              &b = ball.projected[static_cast<size_t>(e[1])];
        for (int s = 0; s <= 400; ++s) {
            const float t = static_cast<float>(s) / 400;
            const int x = static_cast<int>(std::floor(a.x + t * (b.x - a.x))),
                      y = static_cast<int>(std::floor(a.y + t * (b.y - a.y)));
            for (int dy = -1; dy <= 2; ++dy)
                for (int dx = -1; dx <= 2; ++dx)
                    if (x + dx >= 0 && x + dx < kW && y + dy >= 0 && y + dy < kH)
                        near[static_cast<size_t>((y + dy) * kW + x + dx)] = 1;
        }
    }
    int lit = 0;
    for (int i = 0; i < kW * kH; ++i) {
        if (w.target.pixels[i] == kBackground) continue;
        ++lit;
        ASSERT_TRUE(near[static_cast<size_t>(i)]) << i % kW << "," << i / kW;
    }
    EXPECT_GT(lit, 1000);
}

TEST(Render, ModesWithoutADriverAndMeshesBehindTheCamera) {
    World w;
    Mesh& ball = w.sphere();
    for (int32_t id : {501, 0, 13, 100}) {
        ball.renderMode = id;
        w.draw(ball);
        EXPECT_EQ(w.changed(), 0) << id;
        EXPECT_EQ(w.depthWritten(), 0) << id;
    }
    // A shade-subtract mode drawn without the greys it subtracts draws nothing.
    for (int32_t id : {45, 46, 47}) {
        ball.renderMode = id;
        ball.faceData.assign(std::max(ball.vertices.size(), ball.faces.size()), FaceData{});
        drawMeshInScene(ball, w.scene, w.camera, w.target);
        EXPECT_EQ(w.changed(), 0) << id;
    }
    // The camera looking away: every face goes through the clipper and clips away.
    w.aim({0, 0, -200}, {0, 0, -400});
    for (int32_t id : {70, 40, 83, 72, 11, 12}) {
        ball.renderMode = id;
        w.draw(ball);
        EXPECT_EQ(w.changed(), 0) << id;
        int clipped = 0;
        for (const MeshFace& f : ball.faces)
            clipped += f.raster0;
        EXPECT_EQ(clipped, static_cast<int>(ball.faces.size()));
    }
}

TEST(Render, ClippedFacesMatchTheirTriangles) {
    World w;
    // Counter-clockwise as the camera sees it, so that culling keeps it.
    Mesh& tri = w.triangle({Point3f{-60, -25, 0}, Point3f{50, -20, 40}, Point3f{-10, 30, -20}});
    for (int32_t id : {70, 80, 83, 25, 30, 35, 40, 45}) {
        SCOPED_TRACE(id);
        tri.renderMode = id;
        w.clear();
        w.draw(tri);
        ASSERT_EQ(tri.faces[0].raster0, 0);
        const std::vector<uint32_t> direct(w.target.pixels,
                                           w.target.pixels + w.target.pixelCount());
        const int drawn = w.changed();
        ASSERT_GT(drawn, 2000);
        // The same face through the clipper (nothing to cut): the polygon filler.
        w.clear();
        tri.projected[0].offScreen = 1;
        renderMesh(tri, w.camera, w.target, w.greys.data());
        ASSERT_EQ(tri.faces[0].raster0, 1);
        int differ = 0, far = 0;
        for (size_t i = 0; i < w.target.pixelCount(); ++i) {
            if (w.target.pixels[i] == direct[i]) continue;
            ++differ;
            for (int k = 0; k < 24; k += 8)
                far += std::abs(static_cast<int>((w.target.pixels[i] >> k) & 255) -
                                static_cast<int>((direct[i] >> k) & 255)) > 8;
        }
        EXPECT_LT(differ, drawn / 20) << "to rounding";
        EXPECT_LT(far, drawn / 100);
    }
}

TEST(Render, NearPlaneCrossingGivesAQuadrilateral) {
    World w;
    std::array<ClipVertex, 3> in;
    in[0].x = -20, in[0].y = -20, in[0].z = 50, in[0].a = {0, 0, 0, 0, 10};
    in[1].x = 20, in[1].y = -20, in[1].z = 50, in[1].a = {100, 0, 0, 0, 20};
    in[2].x = 0, in[2].y = 20, in[2].z = -10, in[2].a = {50, 100, 0, 0, 30};
    ClippedPolygon out;
    const int n = clipAndProject(in.data(), 3, w.camera, out);
    ASSERT_EQ(n, 4);
    for (int i = 0; i < n; ++i) {
        EXPECT_GT(out[static_cast<size_t>(i)].invZ, 0);
        EXPECT_LE(out[static_cast<size_t>(i)].invZ, 1.0f) << "z raised to 1";
        EXPECT_GE(out[static_cast<size_t>(i)].a[4], 10.0f);
        EXPECT_LE(out[static_cast<size_t>(i)].a[4], 30.0f);
    }
    // All behind: nothing; a segment keeps its two ends.
    for (auto& v : in)
        v.z = -5;
    EXPECT_EQ(clipAndProject(in.data(), 3, w.camera, out), 0);
    in[0].z = 30, in[1].z = 40, in[0].y = in[1].y = 0, in[0].x = -5, in[1].x = 5;
    EXPECT_EQ(clipAndProject(in.data(), 2, w.camera, out), 2);
    in[0].x = -40; // past the left plane: cut there, the first two points are the segment
    EXPECT_GE(clipAndProject(in.data(), 2, w.camera, out), 2);
    EXPECT_NEAR(out[0].x, 0, 1);
    // And a mesh face that crosses it is drawn.
    Mesh& tri = w.triangle({Point3f{-60, -25, 0}, Point3f{50, -20, 40}, Point3f{-10, 30, -260}});
    tri.renderMode = 70;
    w.draw(tri);
    EXPECT_EQ(tri.faces[0].raster0, 1);
    EXPECT_GT(w.changed(), 100);
}

TEST(Render, FacesSurelyOutsideOrInsideTheView) {
    // Triangles thrown around the view's planes at every scale, many just beyond them: a face
    // passed over as surely outside must be one the clipping passes leave nothing of, and the
    // plainly outside ones must be passed over; one found inside, one they give back whole.
    World w;
    uint32_t seed = 7;
    auto rnd = [&](float lo, float hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * static_cast<float>(seed >> 8) / 16777216.0f;
    };
    int passedOver = 0, inside = 0, total = 0;
    for (int i = 0; i < 20000; ++i) {
        const float scale = std::ldexp(1.0f, i % 24 - 6);
        const float z = rnd(-1, 3) * scale, spread = rnd(0.001f, 0.6f) * scale;
        // Around a point on a side plane (x = z tan a at the edge of the view) or anywhere.
        const float side = i % 3 == 0 ? 0 : (i % 3 == 1 ? 1.0f : -1.0f) * z * 0.58f;
        std::array<Point3f, 3> p;
        std::array<ClipVertex, 3> in;
        for (size_t k = 0; k < 3; ++k) {
            p[k] = {side + rnd(-1, 1) * spread, rnd(-1, 1) * spread * 2, z + rnd(-1, 1) * spread};
            in[k].x = p[k].x, in[k].y = p[k].y, in[k].z = p[k].z;
        }
        const std::array<const Point3f*, 3> at = {&p[0], &p[1], &p[2]};
        ClippedPolygon out;
        const ViewSide where = sideOfView(at.data(), 3, w.camera);
        ++total;
        if (where == ViewSide::Inside) {
            ++inside;
            ClipPolygon work;
            ASSERT_EQ(clipToView(in.data(), 3, w.camera, work), 3) << "triangle " << i;
            for (size_t k = 0; k < 3; ++k)
                EXPECT_TRUE(work[k].x == in[k].x && work[k].y == in[k].y && work[k].z == in[k].z);
        }
        if (where != ViewSide::Outside) continue;
        ++passedOver;
        ASSERT_EQ(clipAndProject(in.data(), 3, w.camera, out), 0) << "triangle " << i;
    }
    EXPECT_GT(passedOver, total / 5);
    EXPECT_GT(inside, total / 20);
    const std::array<Point3f, 3> behind = {Point3f{0, 0, -50}, {10, 0, -60}, {0, 10, -55}},
                                 ahead = {Point3f{0, 0, 50}, {10, 0, 60}, {0, 10, 55}};
    const std::array<const Point3f*, 3> b = {&behind[0], &behind[1], &behind[2]},
                                        a = {&ahead[0], &ahead[1], &ahead[2]};
    EXPECT_EQ(sideOfView(b.data(), 3, w.camera), ViewSide::Outside);
    EXPECT_EQ(sideOfView(a.data(), 3, w.camera), ViewSide::Inside);
}

TEST(Render, CullingPerFamily) {
    World w;
    // Clockwise as the camera sees it: a face seen from behind.
    Mesh& back = w.triangle({Point3f{-60, -25, 0}, Point3f{-10, 30, -20}, Point3f{50, -20, 40}});
    back.flags &= ~kCullBackFaces;
    for (int32_t id : {70, 73, 80, 83, 25, 30, 35, 40, 45, 302}) {
        back.renderMode = id;
        w.clear();
        w.draw(back);
        EXPECT_EQ(w.changed(), 0) << id << " always culls";
    }
    for (int32_t id : {71, 72, 74, 75, 81, 82, 84, 85, 26, 27, 31, 32, 36, 37, 41, 42, 46, 47}) {
        back.renderMode = id;
        back.flags &= ~kCullBackFaces;
        w.clear();
        w.draw(back);
        EXPECT_GT(w.changed(), 2000) << id << " with bit 1 clear";
        back.flags |= kCullBackFaces;
        w.clear();
        w.draw(back);
        EXPECT_EQ(w.changed(), 0) << id << " with bit 1 set";
    }
    back.renderMode = kFlatFadeAdd; // never culls
    back.faceData.assign(1, FaceData{});
    w.scene.lights[0]->position = {0, 0, -400};
    back.ambient = 50;
    w.clear();
    w.draw(back);
    EXPECT_GT(w.changed(), 2000);
}

TEST(Render, ALineClippedToOnePointDrawsNothing) {
    World w;
    // Along the line of sight through the eye: both ends land on the screen's centre.
    Mesh& m = w.triangle({Point3f{0, 0, -260}, Point3f{0, 0, 100}, Point3f{0, 0, 150}});
    m.edges = {{0, 1}};
    for (int32_t id : {11, 12}) {
        m.renderMode = id;
        w.clear();
        w.draw(m);
        EXPECT_EQ(w.changed(), 0) << id;
    }
}

TEST(Render, MarkedCutDrawsSpritesOnTheCut) {
    World w;
    Mesh& ball = w.sphere();
    ball.renderMode = 75;
    w.draw(ball); // placed and projected
    w.clear();
    // Keep the half with x >= 0 (camera space).
    renderMeshMarked(ball, w.camera, w.target, w.sprite, {1, 0, 0, 0});
    int leftHalf = 0, rightHalf = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (w.target.pixels[y * kW + x] != kBackground) (x < 248 ? leftHalf : rightHalf) += 1;
    EXPECT_GT(rightHalf, 3000);
    EXPECT_LT(leftHalf, 300) << "only the cut's sprites reach left of the plane";
}
