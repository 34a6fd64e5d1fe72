// parts 2 and 3's data: the machine hall "3D/p2.3ds" with its description "3D/p2" (the
// pictures are in part2_pictures.cpp).
//
// The hall (Y up, floor at kFloor): a reactor sphere in a turning belt at the back, a
// bulkhead with a rolling gear door and a sliding inner door in the middle, and in front the
// chamber of the insulator column "Cylinder01", fed over the bulkhead by three glass pipes
// (the lofts). Part 3 hides the machine and shows four door pairs standing in an arc behind
// the column's place, where its fountains rise, at (71, -1334, 641) plus the fountains' own
// offsets: around (10, -1334, 1006).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/datagen/machine_shapes.h"
#include "tools/datagen/production.h"
#include "tools/writers/scene3ds_writer.h"

namespace datagen {

namespace {

using writers::Node3ds;

constexpr double kPi = 3.14159265358979;
constexpr uint32_t kFrames = 2000;
constexpr double kFloor = -1340;
constexpr double kDegrees = kPi / 180;
// Where part 3's fountains stand, on the floor.
const P3 kFountains{10, 0, 1006};

// A point given with its height over the floor.
P3 at(double x, double y, double z) {
    return {x, kFloor + y, z};
}

// An object with its node: where it stands, and how it moves.
struct Object {
    Shape shape;
    uint16_t parent = 65535;
    std::vector<writers::VectorKey3ds> position;
    std::vector<writers::RotationKey3ds> rotation;
};

writers::VectorKey3ds key(uint32_t frame, P3 p) {
    writers::VectorKey3ds k;
    k.frame = frame, k.value = fileVec(p);
    return k;
}

Object object(Shape s, P3 position) {
    Object o;
    o.shape = std::move(s);
    o.position = {key(0, position)};
    return o;
}

Shape shape(const std::string& name, const std::string& material = "") {
    Shape s;
    s.name = name, s.material = material;
    return s;
}

// Turns about Y by `angle` (radians).
void turnY(Shape& s, double angle) {
    const double c = std::cos(angle), n = std::sin(angle);
    for (P3& p : s.vertices)
        p = {p.x * c + p.z * n, p.y, -p.x * n + p.z * c};
}

// Lays a shape built along Y onto the Z axis.
void layOnZ(Shape& s) {
    for (P3& p : s.vertices)
        p = {p.x, -p.z, p.y};
}

std::vector<std::array<double, 2>> ringProfile(double inner, double outer, double y0, double y1) {
    return {{inner, y0}, {outer, y0}, {outer, y1}, {inner, y1}, {inner, y0}};
}

// The relative turns that take an object about one axis through the given absolute angles.
std::vector<writers::RotationKey3ds> turns(const std::vector<std::pair<uint32_t, double>>& angles,
                                           P3 axis) {
    std::vector<writers::RotationKey3ds> keys;
    double last = 0;
    for (const auto& [frame, angle] : angles) {
        writers::RotationKey3ds k;
        k.frame = frame, k.angle = static_cast<float>(angle - last), k.axis = fileVec(axis);
        keys.push_back(k);
        last = angle;
    }
    return keys;
}

// Catmull-Rom through the points, then `count` points evenly spaced along it.
std::vector<P3> smoothPath(const std::vector<P3>& p, int count) {
    std::vector<P3> dense;
    for (size_t k = 0; k + 1 < p.size(); ++k) {
        const P3 p0 = p[k > 0 ? k - 1 : 0], p1 = p[k], p2 = p[k + 1],
                 p3 = p[std::min(k + 2, p.size() - 1)];
        for (int i = 0; i < 64; ++i) {
            const double t = i / 64.0, t2 = t * t, t3 = t2 * t;
            dense.push_back((p1 * 2 + (p2 - p0) * t + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * t2 +
                             (p1 * 3 - p0 - p2 * 3 + p3) * t3) *
                            0.5);
        }
    }
    dense.push_back(p.back());
    std::vector<double> along(1, 0);
    for (size_t i = 1; i < dense.size(); ++i)
        along.push_back(along.back() +
                        std::sqrt(dot(dense[i] - dense[i - 1], dense[i] - dense[i - 1])));
    std::vector<P3> out;
    size_t i = 0;
    for (int k = 0; k < count; ++k) {
        const double want = along.back() * k / (count - 1);
        while (i + 2 < dense.size() && along[i + 1] < want)
            ++i;
        const double t = std::clamp((want - along[i]) / (along[i + 1] - along[i]), 0.0, 1.0);
        out.push_back(dense[i] + (dense[i + 1] - dense[i]) * t);
    }
    return out;
}

struct Door {
    const char* slab;
    const char* pillar;
    double angle; // around the fountains, from +Z
};
// The four pairs that part 3 cuts, in an arc behind the fountains.
const Door kDoors[] = {{"bbv", "Cylinder05", 54},
                       {"Box09", "Cylinder04", 18},
                       {"bbbbb", "Cylinder03", -18},
                       {"Box11", "Cylinder06", -54}};
constexpr double kDoorRadius = 380, kDoorHeight = 380;

std::vector<Object> buildObjects() {
    std::vector<Object> out;
    // The hall: floor, walls and ceiling beams. Their names sort after the machine's, so that
    // the depth-tested modes draw the near machine first and skip most of the hall behind it.
    {
        Shape s = shape("Floor", "plates");
        addSurface(s, {-900, 0, -1300}, {0, 0, 3000}, {1800, 0, 0}, 20, 12, 15, 9);
        out.push_back(object(std::move(s), at(0, 0, 0)));
    }
    {
        Shape l = shape("Wall01", "panel"), r = shape("Wall02", "panel"),
              b = shape("Wall03", "panel"), f = shape("Wall04", "panel");
        addSurface(l, {-900, 0, -1300}, {0, 950, 0}, {0, 0, 3000}, 5, 20, 4, 12);
        addSurface(r, {900, 0, -1300}, {0, 0, 3000}, {0, 950, 0}, 20, 5, 12, 4);
        addSurface(b, {-900, 0, -1300}, {1800, 0, 0}, {0, 950, 0}, 12, 5, 7, 4);
        addSurface(f, {-900, 0, 1700}, {0, 950, 0}, {1800, 0, 0}, 5, 12, 4, 7);
        for (Shape* s : {&l, &r, &b, &f})
            out.push_back(object(std::move(*s), at(0, 0, 0)));
    }
    {
        Shape s = shape("Beams");
        for (double z : {-1000.0, -400.0, 200.0, 800.0, 1400.0})
            addBox(s, {-900, 880, z - 25}, {900, 920, z + 25}, 300, 100);
        out.push_back(object(std::move(s), at(0, 0, 0)));
    }
    // The bulkhead across the hall, its opening closed by the gear door and the inner door.
    {
        Shape s = shape("Box08", "grate");
        addBox(s, {-900, 0, 120}, {-300, 700, 180}, 150, 200);
        addBox(s, {300, 0, 120}, {900, 700, 180}, 150, 200);
        addBox(s, {-300, 600, 120}, {300, 700, 180}, 150, 200);
        out.push_back(object(std::move(s), at(0, 0, 0)));
    }
    {
        Shape s = shape("innerdoor", "hazard");
        addBox(s, {-300, 0, -15}, {300, 600, 15}, 100, 300);
        Object o = object(std::move(s), at(0, 0, 150));
        o.position = {key(0, at(0, 0, 150)), key(700, at(0, 0, 150)), key(1150, at(580, 0, 150)),
                      key(1700, at(580, 0, 150)), key(2000, at(0, 0, 150))};
        out.push_back(std::move(o));
    }
    {
        Shape s = shape("backdoor", "hazard");
        addBox(s, {-260, 0, -15}, {260, 520, 15}, 100, 260);
        Object o = object(std::move(s), at(0, 0, -1280));
        o.position = {key(0, at(0, 0, -1280)), key(200, at(0, 0, -1280)),
                      key(700, at(0, 460, -1280)), key(1500, at(0, 460, -1280)),
                      key(1900, at(0, 0, -1280))};
        out.push_back(std::move(o));
    }
    // The reactor: a sphere on its pedestal inside a turning belt.
    const P3 core = at(0, 430, -750);
    {
        Shape s = shape("Sphere01", "plates");
        std::vector<std::array<double, 2>> profile;
        for (int i = 0; i <= 16; ++i)
            profile.push_back({260 * std::sin(kPi * i / 16), -260 * std::cos(kPi * i / 16)});
        profile.front()[0] = profile.back()[0] = 0;
        addLathe(s, profile, 28, true, 6, 3);
        out.push_back(object(std::move(s), core));
    }
    {
        Shape s = shape("Cylinder02");
        addLathe(s, {{210, 0}, {210, 40}, {165, 70}, {165, 190}, {0, 190}}, 32, false, 1, 1);
        out.push_back(object(std::move(s), at(0, 0, -750)));
    }
    {
        Shape s = shape("Tube01");
        addLathe(s, ringProfile(300, 335, -28, 28), 48, false, 1, 1);
        for (int k = 0; k < 4; ++k) { // spokes holding the belt to the sphere
            Shape spoke = shape("spoke");
            addBox(spoke, {250, -10, -10}, {305, 10, 10}, 100, 100);
            turnY(spoke, kPi / 2 * k + kPi / 4);
            const auto base = static_cast<uint16_t>(s.vertices.size());
            s.vertices.insert(s.vertices.end(), spoke.vertices.begin(), spoke.vertices.end());
            for (auto f : spoke.faces)
                s.faces.push_back({static_cast<uint16_t>(f[0] + base),
                                   static_cast<uint16_t>(f[1] + base),
                                   static_cast<uint16_t>(f[2] + base)});
        }
        Object o = object(std::move(s), core);
        std::vector<std::pair<uint32_t, double>> a;
        for (uint32_t f = 0; f <= kFrames; f += 250)
            a.push_back({f, kPi / 2 * f / 250});
        o.rotation = turns(a, {0, 1, 0});
        out.push_back(std::move(o));
    }
    // The gear doors: geardoor01 rolls aside on its rig (a dummy, node 0) and comes back;
    // geardoor02 turns beside it.
    {
        Shape s = shape("geardoor01", "plates");
        addCog(s, 300, 272, 62, 24, 40);
        Object o;
        o.shape = std::move(s);
        o.parent = 0;
        o.position = {key(0, {0, 0, 0})};
        const double roll = 600.0 / 286; // rolled distance over radius
        o.rotation = turns({{0, 0},
                            {500, 0},
                            {625, roll / 4},
                            {750, roll / 2},
                            {875, roll * 3 / 4},
                            {1000, roll},
                            {1500, roll},
                            {1625, roll * 3 / 4},
                            {1750, roll / 2},
                            {1875, roll / 4},
                            {2000, 0}},
                           {0, 0, 1});
        out.push_back(std::move(o));
    }
    {
        Shape s = shape("Cylinder08");
        addLathe(s, {{0, -70}, {55, -70}, {55, 70}, {0, 70}}, 20, false, 1, 1);
        layOnZ(s);
        Object o;
        o.shape = std::move(s);
        o.parent = 0;
        o.position = {key(0, {0, 0, 0})};
        out.push_back(std::move(o));
    }
    {
        Shape s = shape("geardoor02");
        addCog(s, 170, 150, 40, 14, 30);
        Object o = object(std::move(s), at(560, 520, 100));
        std::vector<std::pair<uint32_t, double>> a;
        for (uint32_t f = 0; f <= kFrames; f += 125)
            a.push_back({f, -kPi / 2 * f / 125 * 24 / 14 / 4});
        o.rotation = turns(a, {0, 0, 1});
        out.push_back(std::move(o));
    }
    // The column chamber: the insulator column with its riding collar, a piston, the basin
    // and the sliding wall behind.
    {
        Shape s = shape("Cylinder01");
        std::vector<std::array<double, 2>> profile;
        for (int k = 0; k <= 19; ++k)
            profile.push_back({k % 2 ? 96.0 : 72.0, 40.0 * k});
        profile.push_back({0, 790});
        addLathe(s, profile, 20, false, 1, 1);
        out.push_back(object(std::move(s), at(kFountains.x, 0, kFountains.z)));
    }
    {
        Shape s = shape("Tube03");
        addLathe(s, ringProfile(112, 150, -15, 15), 32, false, 1, 1);
        Object o;
        o.shape = std::move(s);
        o.parent = 1; // Cylinder01's node
        for (uint32_t f = 0; f <= kFrames; f += 250)
            o.position.push_back(key(f, {0, (f / 250) % 2 ? 650.0 : 110.0, 0}));
        out.push_back(std::move(o));
    }
    {
        Shape s = shape("Cylinder07", "chrome");
        addLathe(s, {{0, 0}, {46, 0}, {46, 500}, {30, 530}, {0, 530}}, 20, true, 1, 1);
        Object o = object(std::move(s), at(-340, 0, 820));
        o.position.clear();
        for (uint32_t f = 0; f <= kFrames; f += 125)
            o.position.push_back(key(f, at(-340, (f / 125) % 2 ? 140 : 0, 820)));
        out.push_back(std::move(o));
    }
    {
        Shape s = shape("Tube02", "hazard");
        addLathe(s, ringProfile(228, 262, 0, 36), 40, true, 8, 1);
        out.push_back(object(std::move(s), at(kFountains.x, 0, kFountains.z)));
    }
    for (int side = 0; side < 2; ++side) {
        Shape s = shape(side ? "Box10" : "Box07", "hazard");
        addBox(s, {side ? 0.0 : -620.0, 0, -20}, {side ? 620.0 : 0.0, 720, 20}, 120, 240);
        Object o = object(std::move(s), at(0, 0, 1560));
        const double away = side ? 600 : -600;
        o.position = {key(0, at(0, 0, 1560)), key(800, at(0, 0, 1560)),
                      key(1300, at(away, 0, 1560)), key(1800, at(away, 0, 1560)),
                      key(2000, at(0, 0, 1560))};
        out.push_back(std::move(o));
    }
    // The glass pipes from the sphere's crown over the bulkhead to the column's head; their
    // first ring is at the column, so the streams flow from the sphere.
    const char* lofts[] = {"Loft02", "Loft03", "Loft04"};
    for (int i = 0; i < 3; ++i) {
        const double ox = (i - 1) * 110.0, phase = i * 2.1;
        const std::vector<P3> route = {at(kFountains.x + ox * 0.25, 800, kFountains.z - 20),
                                       at(ox, 835, 700), at(ox * 1.1, 840, 150),
                                       at(ox * 0.8, 835, -350), at(ox * 0.3, 705, -700)};
        std::vector<P3> path = smoothPath(route, 56);
        for (size_t k = 1; k + 1 < path.size(); ++k)
            path[k].x += 22 * std::sin(static_cast<double>(k) * 0.35 + phase) *
                         std::sin(kPi * static_cast<double>(k) / (path.size() - 1));
        Shape s = shape(lofts[i]);
        addTriangleLoft(s, path, 15);
        out.push_back(object(std::move(s), {0, 0, 0}));
    }
    // Part 3's doors: translucent slabs, each with its pillar, facing the fountains.
    for (const Door& d : kDoors) {
        const double a = d.angle * kDegrees;
        const P3 place{kFountains.x + kDoorRadius * std::sin(a), 0,
                       kFountains.z + kDoorRadius * std::cos(a)};
        Shape slab = shape(d.slab);
        addBox(slab, {-95, 0, -18}, {95, kDoorHeight, 18}, 32, 100);
        turnY(slab, a + kPi);
        out.push_back(object(std::move(slab), at(place.x, 0, place.z)));
        Shape pillar = shape(d.pillar);
        addLathe(pillar, {{0, 0}, {30, 0}, {30, kDoorHeight + 20}, {0, kDoorHeight + 20}}, 16,
                 false, 1, 1);
        const P3 side{std::cos(a), 0, -std::sin(a)};
        const P3 p = place + side * 135;
        out.push_back(object(std::move(pillar), at(p.x, 0, p.z)));
    }
    return out;
}

struct Shot {
    uint32_t frame;
    P3 eye, target;
};

struct CameraPlan {
    const char* name;
    float lens;
    std::vector<Shot> shots;
};

// Cameras by the number the sync channels choose; the comments say which animation frames
// part 2 shows through each (part 3 always looks through camera 5).
std::vector<CameraPlan> cameraPlans() {
    std::vector<CameraPlan> c;
    // 0: the opening, along the hall past the sphere to the gear door (frames 0..90, 730..910).
    c.push_back({"Camera00",
                 30,
                 {{0, at(-760, 640, -1180), at(0, 260, 80)},
                  {1000, at(-700, 520, -900), at(0, 300, 80)},
                  {2000, at(-600, 460, -700), at(0, 320, 80)}}});
    // 1: the gear door up close as it rolls open (710..770, 1000..1130).
    c.push_back({"Camera01",
                 32,
                 {{0, at(220, 300, -320), at(0, 300, 80)},
                  {500, at(220, 290, -300), at(0, 300, 80)},
                  {1000, at(60, 280, -260), at(-560, 300, 80)},
                  {1150, at(-40, 280, -240), at(-600, 300, 80)},
                  {2000, at(200, 300, -300), at(0, 300, 80)}}});
    // 2: the long flight from the sphere through the opened bulkhead to the column (400..1130).
    c.push_back({"Camera02",
                 30,
                 {{0, at(520, 560, -1150), at(0, 430, -750)},
                  {400, at(500, 540, -1080), at(0, 430, -750)},
                  {480, at(500, 470, -760), at(0, 400, -700)},
                  {600, at(330, 360, -420), at(-200, 310, 80)},
                  {700, at(-50, 290, -330), at(-100, 300, 80)},
                  {850, at(-200, 290, -120), at(-40, 300, 150)},
                  {950, at(-160, 300, 50), at(10, 420, 1006)},
                  {1050, at(-160, 330, 420), at(10, 450, 1006)},
                  {1130, at(-180, 360, 640), at(10, 520, 1006)},
                  {2000, at(-250, 420, 700), at(10, 500, 1006)}}});
    // 3: up the column from its foot (320..390).
    c.push_back({"Camera03",
                 26,
                 {{0, at(-240, 70, 770), at(10, 470, 1006)},
                  {400, at(-180, 80, 750), at(10, 490, 1006)},
                  {2000, at(-110, 90, 730), at(10, 490, 1006)}}});
    // 4: across the hall from the right wall.
    c.push_back({"Camera04",
                 32,
                 {{0, at(820, 420, -300), at(-200, 300, -300)},
                  {2000, at(820, 420, 200), at(-200, 300, 0)}}});
    // 5: part 3: the fountains' place and the four doors, swaying and back to where it began.
    {
        CameraPlan p{"Camera05", 30, {}};
        for (uint32_t f = 0; f <= kFrames; f += 250) {
            const double a = 16 * kDegrees * std::sin(2 * kPi * f / kFrames);
            p.shots.push_back(
                {f, at(kFountains.x + 640 * std::sin(a), 600, kFountains.z - 640 * std::cos(a)),
                 at(kFountains.x, 170, kFountains.z + 150)});
        }
        c.push_back(p);
    }
    // 6: along the glass pipes, from the sphere to the column (650..1060).
    c.push_back({"Camera06",
                 30,
                 {{0, at(-230, 740, -520), at(0, 800, 0)},
                  {650, at(-230, 740, -520), at(0, 800, 0)},
                  {850, at(-200, 760, 80), at(0, 790, 600)},
                  {1050, at(-170, 740, 620), at(10, 700, 1006)},
                  {2000, at(-170, 740, 620), at(10, 700, 1006)}}});
    // 7: the sphere in its belt (810..970).
    c.push_back({"Camera07",
                 32,
                 {{0, at(380, 620, -420), at(0, 430, -750)},
                  {1000, at(300, 560, -380), at(0, 430, -750)},
                  {2000, at(250, 520, -400), at(0, 430, -750)}}});
    // 8: down on the column from under the beams (0..200).
    c.push_back({"Camera08",
                 30,
                 {{0, at(260, 780, 620), at(10, 330, 1006)},
                  {200, at(200, 780, 680), at(10, 330, 1006)},
                  {2000, at(100, 780, 700), at(10, 330, 1006)}}});
    // 9: from the back wall over the sphere to the bulkhead.
    c.push_back(
        {"Camera09",
         30,
         {{0, at(0, 620, -1200), at(0, 330, 150)}, {2000, at(200, 560, -1200), at(0, 330, 150)}}});
    // 10: the last shot: back from the column to the bulkhead (390..930).
    c.push_back({"Camera10",
                 30,
                 {{0, at(300, 250, 1480), at(10, 350, 1006)},
                  {400, at(300, 250, 1480), at(10, 350, 1006)},
                  {930, at(460, 520, 1450), at(0, 350, 600)},
                  {2000, at(460, 520, 1450), at(0, 350, 600)}}});
    return c;
}

struct LightPlan {
    const char* name;
    P3 position;
    double r, g, b;
    float inner, outer;
    bool spot = false;
    P3 target{};
};

std::vector<LightPlan> lightPlans() {
    return {{"Omni01", at(10, 860, 1006), 1, 0.9, 0.75, 500, 1800},
            {"Omni02", at(-520, 720, -980), 0.8, 0.9, 1, 500, 1800},
            {"Omni03", at(480, 650, -150), 1, 0.85, 0.7, 400, 1600},
            {"Omni04", at(560, 380, -1120), 1, 0.75, 0.55, 300, 1200},
            {"Omni05", at(-380, 460, 1450), 0.65, 0.8, 1, 300, 1100},
            {"Spot01", at(-620, 760, -350), 1, 1, 0.9, 600, 2000, true, at(0, 300, 55)},
            {"Spot02", at(520, 740, 520), 0.7, 0.85, 1, 500, 1600, true, at(60, 120, 880)}};
}

writers::Scene3dsFile buildScene(std::vector<Object>& objects) {
    writers::Scene3dsFile s;
    s.endFrame = kFrames;
    s.materials = {{"plates", "plates.jpg"},
                   {"panel", "panel.jpg"},
                   {"grate", "grate.jpg"},
                   {"hazard", "hazard.jpg"},
                   {"chrome", "chrome.jpg"}};
    // Node 0 is the gear door's rig, node 1 the column; children come after their parents.
    Node3ds rig;
    rig.type = Node3ds::Type::Dummy, rig.id = 0, rig.instance = "gearRig";
    const P3 gear = at(0, 300, 100);
    rig.position = {key(0, gear), key(500, gear), key(1000, gear + P3{-600, 0, 0}),
                    key(1500, gear + P3{-600, 0, 0}), key(2000, gear)};
    rig.rotation = {{{}, 0, {0, 0, 1}}};
    rig.scale = {{{}, {1, 1, 1}}};
    s.nodes.push_back(rig);
    uint16_t id = 2;
    for (Object& o : objects) {
        s.meshes.push_back(toMesh3ds(o.shape));
        Node3ds n;
        n.id = o.shape.name == "Cylinder01" ? 1 : id++;
        n.parent = o.parent;
        n.name = o.shape.name;
        n.position = o.position;
        n.rotation = o.rotation.empty() ? std::vector<writers::RotationKey3ds>{{{}, 0, {0, 0, 1}}}
                                        : o.rotation;
        n.scale = {{{}, {1, 1, 1}}};
        s.nodes.push_back(n);
    }
    // lib3ds hangs a node under its parent when it is inserted: parents first.
    std::stable_sort(s.nodes.begin(), s.nodes.end(), [](const Node3ds& a, const Node3ds& b) {
        return (a.parent == 65535) > (b.parent == 65535);
    });
    for (const LightPlan& l : lightPlans()) {
        writers::Light3ds light{l.name, fileVec(l.position)};
        light.colour = {static_cast<float>(l.r), static_cast<float>(l.g), static_cast<float>(l.b)};
        light.innerRange = l.inner, light.outerRange = l.outer;
        light.spot = l.spot, light.target = fileVec(l.target), light.hotspot = 22,
        light.falloff = 40;
        s.lights.push_back(light);
        Node3ds n;
        n.type = l.spot ? Node3ds::Type::SpotLight : Node3ds::Type::OmniLight, n.id = id++,
        n.name = l.name;
        n.position = {key(0, l.position)};
        s.nodes.push_back(n);
        if (l.spot) {
            Node3ds t;
            t.type = Node3ds::Type::LightTarget, t.id = id++, t.name = l.name;
            t.position = {key(0, l.target)};
            s.nodes.push_back(t);
        }
    }
    for (const CameraPlan& c : cameraPlans()) {
        s.cameras.push_back(
            {c.name, fileVec(c.shots[0].eye), fileVec(c.shots[0].target), 0, c.lens});
        Node3ds eye, target;
        eye.type = Node3ds::Type::Camera, eye.id = id++, eye.name = c.name;
        target.type = Node3ds::Type::CameraTarget, target.id = id++, target.name = c.name;
        for (const Shot& shot : c.shots)
            eye.position.push_back(key(shot.frame, shot.eye)),
                target.position.push_back(key(shot.frame, shot.target));
        eye.fov = {{{}, 2400.0f / c.lens}};
        eye.roll = {{{}, 0}};
        s.nodes.push_back(eye);
        s.nodes.push_back(target);
    }
    return s;
}

// How the rasterizer draws each mesh (in the file's mesh order, which is lib3ds's: by name).
std::string describe(const std::vector<Object>& objects, size_t cameras) {
    struct Look {
        const char* mode;
        const char* palette;
        int ambient, diffuse;
        const char* switches; // cull, sort, environment, part placement
    };
    auto look = [](const std::string& n) -> Look {
        if (n == "bbv" || n == "Box09" || n == "bbbbb" || n == "Box11")
            return {"FLATZTRANSDIV", "amber.pal", 50, 205, "0 1 0 0"};
        if (n == "Cylinder03" || n == "Cylinder04" || n == "Cylinder05" || n == "Cylinder06")
            return {"FLATZTRANSDIV", "cyan.pal", 50, 205, "0 1 0 0"};
        if (n == "Cylinder01" || n == "geardoor02")
            return {"GOURAUDZ", "copper.pal", 45, 210, "1 0 0 0"};
        if (n == "Cylinder02" || n == "Cylinder08" || n == "Tube01")
            return {"GOURAUDZ", "gunmetal.pal", 30, 225, "1 0 0 0"};
        if (n == "Beams") return {"FLATZ", "gunmetal.pal", 24, 200, "1 0 0 0"};
        if (n == "Cylinder07") return {"MAPZ", "noOne", 30, 225, "1 0 1 0"};
        if (n.rfind("Loft", 0) == 0) return {"GOURAUDZTRANSADD", "cyan.pal", 14, 150, "0 0 0 0"};
        if (n == "Tube03") return {"GOURAUDZTRANSADD", "amber.pal", 30, 200, "0 0 0 0"};
        if (n == "Sphere01") return {"PMAPZ_SHADE_PSUB", "noOne", 40, 215, "1 0 0 1"};
        return {"PMAPZ_SHADE_PSUB", "noOne", 40, 215, "1 0 0 0"};
    };
    std::string d = "machine hall\n"
                    "per mesh: mode, line colour, texture, palette, ambient diffuse,\n"
                    "  cull sort environment placement\n"
                    "then the scene factor and per camera: light start end hotspot falloff,\n"
                    "  spot mode and spot side\n#\n#\n#\n#\n";
    std::vector<std::string> names;
    for (const Object& o : objects)
        names.push_back(o.shape.name);
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        const Look l = look(n);
        std::string texture = "noOne";
        for (const Object& o : objects)
            if (o.shape.name == n && !o.shape.material.empty()) texture = o.shape.material + ".jpg";
        d += std::string(l.mode) + "\n16777215\n" + texture + "\n" + l.palette + "\n" +
             std::to_string(l.ambient) + " " + std::to_string(l.diffuse) + "\n" + l.switches + "\n";
    }
    // Light flares keep their size out to 500 units.
    d += "5.0\n";
    for (size_t i = 0; i < cameras; ++i)
        d += "300 1700 40 60\n0 0\n";
    return d;
}

} // namespace

void writePart2Data(Production& p) {
    writePart2Pictures(p);

    std::vector<Object> objects = buildObjects();
    const writers::Scene3dsFile scene = buildScene(objects);
    std::error_code ec;
    std::filesystem::create_directories(p.root() / "data" / "3D", ec);
    if (!writers::writeScene3ds((p.root() / "data" / "3D" / "p2.3ds").string(), scene))
        std::fprintf(stderr, "datagen: cannot write 3D/p2.3ds\n");
    p.writeText("data/3D/p2", describe(objects, scene.cameras.size()));
}

} // namespace datagen
