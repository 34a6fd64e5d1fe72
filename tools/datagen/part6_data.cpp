// part 6's data: "3D/p6.3DS", a sunken court (the setting) with six glass panels stepping down
// around it, a camera flight round the court and a second camera whose path is the fountain's
// emitter, circling above the panels.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "tools/datagen/production.h"
#include "tools/datagen/rail_scenes.h"

namespace datagen {

namespace {

using writers::Mesh3ds;
constexpr double kPi = kRailPi;
constexpr double kCentreX = 0, kCentreZ = -400;

struct Corner {
    double x, y, z;
};

// A quad as two faces, corners given counter-clockwise seen from above; face 0 is the first
// three corners.
void addQuad(Mesh3ds& m, Corner a, Corner b, Corner c, Corner d) {
    const auto base = static_cast<uint16_t>(m.vertices.size());
    for (const Corner& k : {a, b, c, d})
        m.vertices.push_back(fileAxes(k.x, k.y, k.z));
    m.faces.push_back({base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2)});
    m.faces.push_back({base, static_cast<uint16_t>(base + 2), static_cast<uint16_t>(base + 3)});
}

// A box from (x0, y0, z0) to (x1, y1, z1), its faces outward.
void addBox(Mesh3ds& m, double x0, double y0, double z0, double x1, double y1, double z1) {
    addQuad(m, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0});
    addQuad(m, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}, {x0, y0, z0});
    addQuad(m, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1});
    addQuad(m, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0});
    addQuad(m, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, {x0, y0, z1});
}

// The court: a floor of tiles, a low wall round it and pillars under the panels.
Mesh3ds court() {
    Mesh3ds m;
    m.name = "court";
    const double half = 700, y = -320, tile = 140;
    for (double x = -half; x < half; x += tile)
        for (double z = -half; z < half; z += tile) {
            const double lift = std::fmod(std::abs(x * 7 + z * 3), 3 * tile) / tile * 6;
            addQuad(m, {kCentreX + x, y + lift, kCentreZ + z},
                    {kCentreX + x, y + lift, kCentreZ + z + tile},
                    {kCentreX + x + tile, y + lift, kCentreZ + z + tile},
                    {kCentreX + x + tile, y + lift, kCentreZ + z});
        }
    for (int k = 0; k < 6; ++k) {
        const double a = 2 * kPi * k / 6, r = 300;
        const double x = kCentreX + r * std::cos(a), z = kCentreZ + r * std::sin(a);
        addBox(m, x - 14, y, z - 14, x + 14, 180 - 70 * k - 20, z + 14);
    }
    addBox(m, kCentreX - 40, y, kCentreZ - 40, kCentreX + 40, -60, kCentreZ + 40);
    // Turned round: the production shows the faces whose normals point away from the eye.
    for (auto& f : m.faces)
        std::swap(f[1], f[2]);
    return m;
}

// Panel k of six: a tilted square round the court, each lower than the one before.
Mesh3ds panel(int k) {
    Mesh3ds m;
    m.name = "panel" + std::to_string(k + 1);
    const double a = 2 * kPi * k / 6, r = 240, half = 150, y = 180 - 70 * k;
    const double cx = kCentreX + r * std::cos(a), cz = kCentreZ + r * std::sin(a);
    // Tilted down toward the centre of the court, and a little along the ring.
    const double tilt = 0.22 + 0.06 * (k % 3), roll = 0.12 * ((k % 2) ? 1 : -1);
    const double ux = std::cos(a), uz = std::sin(a), vx = -uz, vz = ux; // outward, along the ring
    auto corner = [&](double s, double t) {
        return Corner{cx + s * ux + t * vx, y + s * std::tan(tilt) + t * std::tan(roll),
                      cz + s * uz + t * vz};
    };
    addQuad(m, corner(-half, -half), corner(-half, half), corner(half, half), corner(half, -half));
    return m;
}

} // namespace

void writePart6Data(Production& p) {
    writers::Scene3dsFile s;
    s.endFrame = 720;
    s.meshes.push_back(court());
    for (int k = 0; k < 6; ++k)
        s.meshes.push_back(panel(k));
    for (size_t i = 0; i < s.meshes.size(); ++i)
        s.nodes.push_back(objectNode(static_cast<uint16_t>(i), s.meshes[i].name, {0, 0, 0}));

    // Camera 0 circles the court at a distance, rising and dipping, looking in at the panels;
    // camera 1 circles above the panels the other way: the fountain's emitter.
    std::vector<std::array<double, 3>> eye, target, emitter, emitterTarget;
    for (int k = 0; k <= 12; ++k) {
        const double a = 2 * kPi * (k % 12) / 12, r = 640 + 100 * std::sin(3 * a);
        eye.push_back({kCentreX + r * std::cos(a), 220 + 160 * std::sin(2 * a + 0.7),
                       kCentreZ + r * std::sin(a)});
        target.push_back({kCentreX + 120 * std::cos(a + 2), -40 + 60 * std::sin(a),
                          kCentreZ + 120 * std::sin(a + 2)});
        const double b = -2 * kPi * (k % 12) / 12, re = 230 + 40 * std::sin(2 * b);
        emitter.push_back(
            {kCentreX + re * std::cos(b), 270 + 30 * std::cos(3 * b), kCentreZ + re * std::sin(b)});
        emitterTarget.push_back({kCentreX, -320, kCentreZ});
    }
    addCameraFlight(s, "Camera01", 7, eye, target, 60);
    addCameraFlight(s, "Emitter", 9, emitter, emitterTarget, 60);
    std::error_code ec;
    std::filesystem::create_directories(p.root() / "data" / "3D", ec);
    if (!writers::writeScene3ds((p.root() / "data" / "3D" / "p6.3DS").string(), s))
        std::fprintf(stderr, "datagen: cannot write 3D/p6.3DS\n");
}

} // namespace datagen
