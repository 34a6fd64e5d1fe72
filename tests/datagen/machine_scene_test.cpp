// The generated machine scene "3D/p2.3ds" read with the production's own reader: the objects
// parts 2 and 3 look up, the shapes their effects rely on, and what the cameras show when the
// generated "other/s0" cuts between them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "fx/scene_description.h"
#include "fx/scene_pass.h"
#include "picture/file_bytes.h"
#include "picture/image8.h"
#include "picture/palette.h"
#include "picture/resource_lists.h"
#include "raster/render.h"
#include "raster/render_modes.h"
#include "scene3d/camera.h"
#include "scene3d/scene_prep.h"
#include "scene3d/tracks.h"
#include "sound/demo_context.h"
#include "tests/set_position_stream.h"

#ifndef PRODUCTION_DIR
#error "the tests need the generated production folder"
#endif

using namespace scene3d;

namespace {

const std::string kData = std::string(PRODUCTION_DIR) + "/data/";
const char* const kDoors[] = {"bbv",        "Box09",      "bbbbb",      "Box11",
                              "Cylinder05", "Cylinder04", "Cylinder03", "Cylinder06"};
const char* const kMachine[] = {"backdoor",   "Box07",      "Box10",  "Cylinder01", "Cylinder08",
                                "geardoor01", "geardoor02", "Tube03", "Loft02",     "Loft03",
                                "Loft04",     "Sphere01",   "Tube01", "Cylinder07", "innerdoor"};
// Part 3's fountain anchor and the fountains' key places in its terms.
const Point3f kAnchor{71, -1334, 641};
const Point3f kFountainPlaces[] = {{-60, 0, 255},   {-65, 0, 483},  {-170, 0, 365},
                                   {53, 0, 366},    {-60, 85, 285}, {-60, 95, 445},
                                   {-140, 95, 365}, {30, 75, 365},  {-70, 180, 365}};

const std::array<uint32_t, 256>& greyRamp() {
    static const std::array<uint32_t, 256> ramp = [] {
        std::array<uint32_t, 256> r{};
        for (uint32_t i = 0; i < 256; ++i)
            r[i] = i * 0x010101u;
        return r;
    }();
    return ramp;
}

void load(Scene3ds& scene) {
    ScenePreparation how;
    how.shadeTable = &greyRamp();
    prepareScene(scene, kData + "3D/p2.3ds", how);
}

void aim(Scene3ds& scene, SceneCamera& camera, float frame) {
    updateScene(scene, frame);
    updateProjection(camera);
    finishCameraStep(camera);
    beginCameraStep(camera);
}

Point3f toCamera(const SceneCamera& camera, Point3f world) {
    Point3f out;
    transformPoint(camera.viewMatrix, out, world);
    return out;
}

bool onScreen(const SceneCamera& camera, Point3f world, float margin) {
    Point3f p = toCamera(camera, world);
    if (p.z < 1) return false;
    ProjectedVertex v;
    projectPoint(v, p, camera);
    return v.x >= margin && v.x <= 512 - margin && v.y >= margin && v.y <= 256 - margin;
}

Point3f worldCentre(const Mesh& m) {
    Point3f out;
    transformPoint(m.worldMatrix, out, m.centre);
    return out;
}

float distance(Point3f a, Point3f b) {
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

Point3f minus(Point3f a, Point3f b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Point3f crossed(Point3f a, Point3f b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dotted(Point3f a, Point3f b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Whether the segment from a to b passes through one of the mesh's faces, as placed.
bool crosses(const Mesh& m, Point3f a, Point3f b) {
    const Point3f d = minus(b, a);
    for (const MeshFace& f : m.faces) {
        Point3f v[3];
        const int corner[3] = {f.a, f.b, f.c};
        for (int k = 0; k < 3; ++k)
            transformPoint(m.worldMatrix, v[k], m.vertices[static_cast<size_t>(corner[k])]);
        const Point3f e1 = minus(v[1], v[0]), e2 = minus(v[2], v[0]), p = crossed(d, e2);
        const float det = dotted(e1, p);
        if (std::abs(det) < 1e-9f) continue;
        const Point3f s = minus(a, v[0]);
        const float u = dotted(s, p) / det;
        const Point3f q = crossed(s, e1);
        const float w = dotted(d, q) / det, t = dotted(e2, q) / det;
        if (u >= 0 && w >= 0 && u + w <= 1 && t > 0 && t < 1) return true;
    }
    return false;
}

} // namespace

TEST(MachineScene, HoldsEveryObjectThePartsLookUp) {
    Scene3ds scene;
    load(scene);
    EXPECT_EQ(scene.frameCount, 2000);
    EXPECT_GE(scene.cameras.size(), 11u);
    EXPECT_FALSE(scene.dummies.empty());
    for (const char* name : kDoors)
        EXPECT_NE(findMesh(scene, name), nullptr) << name;
    for (const char* name : kMachine)
        EXPECT_NE(findMesh(scene, name), nullptr) << name;
    size_t children = 0;
    for (const auto& m : scene.meshes) {
        if (m->parentId == 65535) continue;
        ++children;
        bool found = false;
        for (const auto* list : {&scene.meshes, &scene.dummies})
            for (const auto& p : *list)
                found |= p->nodeId == m->parentId;
        EXPECT_TRUE(found) << m->name << "'s parent " << m->parentId;
    }
    EXPECT_GE(children, 2u);
    bool spot = false, omni = false;
    for (const auto& l : scene.lights)
        (l->spot ? spot : omni) = true;
    EXPECT_TRUE(spot && omni);
}

TEST(MachineScene, SparksRunDownTheColumnsEdges) {
    Scene3ds scene;
    load(scene);
    const Mesh* column = findMesh(scene, "Cylinder01");
    ASSERT_NE(column, nullptr);
    const size_t n = column->vertices.size();
    std::vector<std::set<int>> downhill(n);
    for (const MeshFace& f : column->faces)
        for (int a : {f.a, f.b, f.c})
            for (int b : {f.a, f.b, f.c})
                if (column->vertices[static_cast<size_t>(b)].y <
                    column->vertices[static_cast<size_t>(a)].y)
                    downhill[static_cast<size_t>(a)].insert(b);
    size_t withNone = 0, starts = 0;
    for (size_t i = 0; i < n; ++i) {
        EXPECT_LE(downhill[i].size(), 20u) << "vertex " << i;
        withNone += downhill[i].empty();
        bool start = false;
        for (int b : downhill[i])
            start |= !downhill[static_cast<size_t>(b)].empty();
        starts += start;
    }
    EXPECT_GT(withNone, 0u);
    EXPECT_GT(starts, n / 2);
    // The longest way down is long enough to watch a spark run: from the top, always down.
    std::vector<int> depth(n, 0);
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return column->vertices[a].y < column->vertices[b].y; });
    int longest = 0;
    for (size_t i : order) {
        for (int b : downhill[i])
            depth[i] = std::max(depth[i], depth[static_cast<size_t>(b)] + 1);
        longest = std::max(longest, depth[i]);
    }
    EXPECT_GE(longest, 12);
}

TEST(MachineScene, LoftsGiveSmoothStreamsFromTheSphereToTheColumn) {
    Scene3ds scene;
    load(scene);
    updateScene(scene, 0);
    const Mesh* sphere = findMesh(scene, "Sphere01");
    const Mesh* column = findMesh(scene, "Cylinder01");
    ASSERT_TRUE(sphere && column);
    Point3f columnTop{0, -1e9f, 0};
    for (const Point3f& v : column->vertices)
        if (v.y > columnTop.y) columnTop = v;
    transformPoint(column->worldMatrix, columnTop, Point3f(columnTop));
    for (const char* name : {"Loft02", "Loft03", "Loft04"}) {
        const Mesh* loft = findMesh(scene, name);
        ASSERT_NE(loft, nullptr) << name;
        const size_t n = loft->vertices.size();
        ASSERT_EQ(n % 3, 0u) << name;
        ASSERT_GE(n / 3, 20u) << name;
        // The stream's control points, in the part's order: the last triple first.
        std::vector<Point3f> control;
        for (size_t k = n; k >= 3; k -= 3) {
            Point3f sum{0, 0, 0};
            for (size_t i = k - 3; i < k; ++i) {
                Point3f w;
                transformPoint(loft->worldMatrix, w, loft->vertices[i]);
                sum = {sum.x + w.x / 3, sum.y + w.y / 3, sum.z + w.z / 3};
            }
            control.push_back(sum);
        }
        float shortest = 1e9f, longest = 0;
        for (size_t i = 0; i + 1 < control.size(); ++i) {
            const float d = distance(control[i], control[i + 1]);
            shortest = std::min(shortest, d), longest = std::max(longest, d);
        }
        EXPECT_GT(shortest, 5) << name;
        EXPECT_LT(longest, 3 * shortest) << name;
        for (size_t i = 1; i + 1 < control.size(); ++i) {
            const Point3f a{control[i].x - control[i - 1].x, control[i].y - control[i - 1].y,
                            control[i].z - control[i - 1].z};
            const Point3f b{control[i + 1].x - control[i].x, control[i + 1].y - control[i].y,
                            control[i + 1].z - control[i].z};
            const float c = (a.x * b.x + a.y * b.y + a.z * b.z) /
                            (std::hypot(a.x, a.y, a.z) * std::hypot(b.x, b.y, b.z));
            EXPECT_GT(c, std::cos(30 * 3.14159265f / 180))
                << name << " turns sharply at control point " << i;
        }
        EXPECT_LT(distance(control.front(), worldCentre(*sphere)), sphere->radius + 80)
            << name << " starts away from the sphere";
        EXPECT_LT(distance(control.back(), columnTop), 80)
            << name << " ends away from the column's head";
    }
}

// A comet's trail loop joins the gear door's vertices start, start + stride, ... (strides 3
// to 11): neighbours in that list should lie a little way round the same ring of the door,
// so that the loop swirls round it instead of zigzagging across.
TEST(MachineScene, GearDoorVerticesRunRoundItsRings) {
    Scene3ds scene;
    load(scene);
    const Mesh* gear = findMesh(scene, "geardoor01");
    ASSERT_NE(gear, nullptr);
    const size_t n = gear->vertices.size();
    auto radial = [&](size_t i) { return std::hypot(gear->vertices[i].x, gear->vertices[i].y); };
    for (size_t stride : {3u, 5u, 7u, 9u, 11u}) {
        size_t sameRing = 0;
        for (size_t a = 0; a < n; ++a) {
            const size_t b = (a + stride) % n;
            sameRing += std::abs(radial(a) - radial(b)) < 0.2 * std::max(radial(a), radial(b)) &&
                        std::abs(gear->vertices[a].z - gear->vertices[b].z) < 1;
        }
        EXPECT_GT(sameRing, n * 8 / 10) << "stride " << stride;
    }
}

TEST(MachineScene, PartThreesCameraFramesTheFountainsAndTheDoors) {
    Scene3ds scene;
    load(scene);
    ASSERT_GE(scene.cameras.size(), 6u);
    SceneCamera& camera = *scene.cameras[5];
    for (int frame = 0; frame <= 2000; frame += 50) {
        aim(scene, camera, static_cast<float>(frame));
        for (const Point3f& q : kFountainPlaces)
            EXPECT_TRUE(onScreen(camera, {kAnchor.x + q.x, kAnchor.y + q.y, kAnchor.z + q.z}, 16))
                << "fountain point (" << q.x << ", " << q.y << ", " << q.z << ") at frame "
                << frame;
        for (const char* name : kDoors) {
            const Mesh* door = findMesh(scene, name);
            ASSERT_NE(door, nullptr);
            EXPECT_TRUE(onScreen(camera, worldCentre(*door), 8)) << name << " at frame " << frame;
            // Most of its box: every corner but the top ones in view.
            for (int c : {0, 3, 4, 7}) {
                Point3f corner;
                transformPoint(door->worldMatrix, corner, door->boxCorners[static_cast<size_t>(c)]);
                EXPECT_TRUE(onScreen(camera, corner, 0))
                    << name << " corner " << c << " at frame " << frame;
            }
        }
        // Nothing that part 3 still shows stands between the camera and the fountains.
        const Point3f place{kAnchor.x - 70, kAnchor.y + 90, kAnchor.z + 365};
        for (const auto& m : scene.meshes) {
            bool hidden = false;
            for (const char* name : kMachine)
                hidden |= m->name == name;
            for (const char* name : kDoors)
                hidden |= m->name == name;
            if (!hidden) {
                EXPECT_FALSE(crosses(*m, camera.eye, place))
                    << m->name << " in the way at frame " << frame;
            }
        }
    }
}

// The cuts "other/s0" makes in part 2, by its camera table, and what each camera then shows.
TEST(MachineScene, EveryShotOfPartTwoShowsTheLitMachine) {
    sound::DemoContext ctx;
    auto stream = std::make_unique<testing_files::SetPositionStream>();
    testing_files::SetPositionStream* position = stream.get();
    ctx.stream = std::move(stream);
    sound::allocateSyncTable(ctx);
    sound::readSyncFile(ctx, kData + "other/s0");
    sound::resetSyncCursors(ctx, 0);
    int32_t e[5];
    auto at = [&](double seconds) { position->at = static_cast<uint64_t>(seconds * 44100) * 4; };
    double t = 0;
    for (; t < 55; t += 0.03)
        at(t), sound::updateSync(ctx, e, 0);

    struct Sample {
        int camera;
        float frame;
    };
    std::vector<Sample> samples;
    double animStart = t * 1000, animDuration = 24000, reverseFrom = 0;
    bool reverse = false;
    int camera = 0;
    std::set<int> cameras;
    for (int k = 0; t < 84; t += 1 / 30.0, ++k) {
        at(t);
        sound::updateSync(ctx, e, 0);
        const double tick = t * 1000;
        auto cursor = [&](int c) {
            return ctx.syncTable->entries[0].cursors[static_cast<size_t>(c)];
        };
        double f = (tick - animStart) / animDuration * 2000;
        if (reverse) f = reverseFrom - f;
        auto set = [&](double duration, double start, int cam) {
            animDuration = duration, animStart = start, camera = cam;
        };
        if (e[4] == 255) {
            if (cursor(4) == 1) set(28000, tick - 5670, 2);
            if (cursor(4) == 3) set(20000, tick - 7150, 1), reverse = false;
        }
        if (e[3] == 255) {
            auto fromF = [&] { reverseFrom = std::trunc(f), reverse = true; };
            switch (cursor(3)) {
            case 3:
                set(30000, tick - 4815, 3);
                break;
            case 7:
                set(8000, tick - 2704, 6);
                break;
            case 8:
                set(15000, tick, 8), reverse = false;
                break;
            case 9:
                fromF(), set(15000, tick, 8);
                break;
            case 10:
                set(18000, tick - 6633, 0), reverse = false;
                break;
            case 11:
                set(20000, std::trunc(tick - 8139.999999999999), 7), reverse = false;
                break;
            case 12:
                set(26000, tick - 11895, 2), reverse = false;
                break;
            case 13:
                fromF(), set(26000, tick, 2);
                break;
            case 14:
                set(25000, std::trunc(tick - f * 0.0005 * 25000), 2), reverse = false;
                break;
            case 17:
                fromF(), set(25000, tick, 1);
                break;
            case 18:
                reverseFrom = 855, reverse = true, set(15000, tick, 6);
                break;
            case 19:
                set(15000, std::trunc(tick - 2962.5), 10), reverse = false;
                break;
            default:
                break;
            }
        }
        f = (tick - animStart) / animDuration * 2000;
        if (reverse) f = reverseFrom - f;
        cameras.insert(camera);
        if (k % 10 == 0) samples.push_back({camera, static_cast<float>(f < 2000 ? f : 0)});
    }
    // The part cuts to most of the cameras, never to part 3's.
    EXPECT_GE(cameras.size(), 7u);
    EXPECT_EQ(cameras.count(5), 0u);

    const std::filesystem::path was = std::filesystem::current_path();
    ASSERT_EQ(chdir(kData.c_str()), 0);
    Scene3ds scene;
    ScenePreparation how;
    how.shadeTable = &greyRamp();
    how.bindMaterials = true;
    prepareScene(scene, "3D/p2.3ds", how);
    picture::ResourceLists lists;
    fx::readSceneDescription("3D/p2", scene, lists);
    for (const char* name : kDoors)
        findMesh(scene, name)->flags &= ~kDrawnByScene;
    picture::Image32 target;
    target.create(512, 256);
    for (const Sample& s : samples) {
        ASSERT_LT(static_cast<size_t>(s.camera), scene.cameras.size());
        SceneCamera& c = *scene.cameras[static_cast<size_t>(s.camera)];
        aim(scene, c, s.frame);
        std::fill(target.pixels, target.pixels + 512 * 256, 0u);
        clearDepth(scene, 512 * 256);
        fx::ScenePass pass;
        pass.greyRamp = greyRamp().data();
        pass.beforeMesh = [&](Mesh& m) { fx::hangOnParent(scene, m); };
        fx::drawScene(scene, c, target, pass);
        double sum = 0;
        int lit = 0;
        for (int i = 0; i < 512 * 256; ++i) {
            const uint32_t p = target.pixels[i];
            const double v = ((p >> 16 & 255) + (p >> 8 & 255) + (p & 255)) / 3.0;
            sum += v, lit += v > 24;
        }
        EXPECT_GT(sum / (512 * 256), 20) << "camera " << s.camera << " at frame " << s.frame;
        EXPECT_GT(lit, 512 * 256 / 3) << "camera " << s.camera << " at frame " << s.frame;
    }
    std::filesystem::current_path(was);
}

TEST(MachineScene, DescriptionMixesTheModesAndKnowsEveryMesh) {
    Scene3ds scene;
    load(scene);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(picture::readFileBytes(kData + "3D/p2", bytes));
    fx::SceneDescription d;
    int line = 0;
    std::string problem;
    ASSERT_TRUE(fx::parseSceneDescription(std::string(bytes.begin(), bytes.end()),
                                          scene.meshes.size(), scene.cameras.size(), d, line,
                                          problem))
        << "line " << line << ": " << problem;
    std::map<std::string, int> modes;
    for (size_t i = 0; i < d.meshes.size(); ++i) {
        const fx::MeshDescription& m = d.meshes[i];
        const int32_t id = raster::lookupRenderMode(m.mode);
        ASSERT_GE(id, 0) << m.mode;
        const bool textured = raster::isTextureMode(id);
        modes[textured ? "textured" : (id >= 80 ? "gouraud" : (id >= 70 ? "flat" : "other"))]++;
        if (raster::drawnAfterOpaque(id)) modes["translucent"]++;
        if (textured) {
            EXPECT_TRUE(scene.meshes[i]->flags & kHasMapping)
                << scene.meshes[i]->name << " is textured without mapping";
        }
        if (m.palette != "noOne") {
            EXPECT_TRUE(std::filesystem::exists(kData + "palette/" + m.palette)) << m.palette;
        }
    }
    for (const char* kind : {"textured", "gouraud", "flat", "translucent"})
        EXPECT_GT(modes[kind], 0) << kind;
    // Part 3 draws the doors translucent and lit by the camera: they need a palette.
    for (const char* name : kDoors) {
        for (size_t i = 0; i < scene.meshes.size(); ++i)
            if (scene.meshes[i]->name == name) {
                EXPECT_NE(d.meshes[i].palette, "noOne") << name;
            }
    }
    for (const auto& m : scene.materialMapNames)
        EXPECT_TRUE(std::filesystem::exists(kData + "texture/" + m)) << m;
}

TEST(MachineScene, FlareAndItsColourTables) {
    picture::Image8 flare;
    ASSERT_EQ(flare.load(kData + "image/flare.tga"), picture::kLoaded);
    ASSERT_EQ(flare.width, flare.height);
    const int w = flare.width, c = w / 2;
    auto index = [&](int x, int y) { return flare.indices[y * w + x]; };
    EXPECT_GE(index(c, c), 250);
    EXPECT_EQ(index(0, 0), 0);
    for (int x = c; x + 1 < w; ++x)
        EXPECT_GE(index(x, c), index(x + 1, c)) << "brightness falls from the centre";
    std::vector<picture::ColourTable> tables;
    for (const char* name : {"particle01.pal", "particle02.pal", "particle03.pal", "particle04.pal",
                             "pal02.pal", "pal2.pal"}) {
        EXPECT_EQ(std::filesystem::file_size(kData + "palette/" + name), 768u) << name;
        picture::ColourTable t{};
        ASSERT_EQ(picture::loadPaletteFile(kData + "palette/" + name, t), 2) << name;
        EXPECT_EQ(t[0] & 0xFFFFFF, 0u) << name << ": the flare's edge must add nothing";
        tables.push_back(t);
    }
    // The four fountains' colours differ at the glow's middle brightness.
    for (size_t a = 0; a < 4; ++a)
        for (size_t b = a + 1; b < 4; ++b) {
            int most = 0;
            for (int shift : {0, 8, 16})
                most = std::max(most, std::abs(static_cast<int>(tables[a][128] >> shift & 255) -
                                               static_cast<int>(tables[b][128] >> shift & 255)));
            EXPECT_GT(most, 60) << "particle0" << a + 1 << " and particle0" << b + 1;
        }
}
