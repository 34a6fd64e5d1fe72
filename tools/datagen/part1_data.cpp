// Part 1's data: the camera flight "3D/p1.3ds" over the 1000 x 1000 city, the blue shade
// palette and the flare.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "tools/datagen/pixel_font.h"
#include "tools/datagen/production.h"
#include "tools/writers/image_writers.h"
#include "tools/writers/scene3ds_writer.h"

namespace datagen {

namespace {

// A world point (Y up, as the production reads it) in the file's coordinates (Z up).
writers::Vec3 file(float x, float y, float z) { return {x, z, y}; }

} // namespace

void writePart1Data(Production& p) {
    // The flight, frame by frame: over the streets, past the field's edges and, from about
    // frame 1130 when the walkers leave the streets, up at the sky they rise into.
    struct Key {
        uint32_t frame;
        float ex, ey, ez, tx, ty, tz;
    };
    const Key keys[] = {
        {0, -620, 230, -560, 0, 0, 0},        {110, -475, 145, -368, -40, 0, -20}, {300, -300, 110, -470, 60, 0, -60},
        {500, -40, 90, -420, 120, 10, 80},    {700, 280, 150, -330, 0, 0, 120},    {900, 420, 210, 40, -120, 0, 20},
        {1100, 260, 170, 380, -20, 60, -40},  {1250, 60, 120, 300, 0, 420, 0},     {1400, -80, 160, 220, 0, 900, 20},
        {1460, -120, 170, 200, 0, 1100, 20},
    };
    writers::Scene3dsFile s;
    s.endFrame = 1460;
    writers::Camera3ds camera{"flight", file(keys[0].ex, keys[0].ey, keys[0].ez), file(keys[0].tx, keys[0].ty, keys[0].tz), 0, 28};
    s.cameras = {camera};
    writers::Node3ds eye, at;
    eye.type = writers::Node3ds::Type::Camera, eye.id = 0, eye.name = "flight";
    at.type = writers::Node3ds::Type::CameraTarget, at.id = 1, at.name = "flight";
    for (const Key& k : keys) {
        writers::VectorKey3ds e, t;
        e.frame = t.frame = k.frame;
        e.value = file(k.ex, k.ey, k.ez), t.value = file(k.tx, k.ty, k.tz);
        eye.position.push_back(e), at.position.push_back(t);
    }
    eye.fov = {{{}, 2400.0f / 28}};
    eye.roll = {{{}, 0}};
    s.nodes = {eye, at};
    std::error_code ec;
    std::filesystem::create_directories(p.root() / "data" / "3D", ec);
    if (!writers::writeScene3ds((p.root() / "data" / "3D" / "p1.3ds").string(), s)) std::fprintf(stderr, "datagen: cannot write 3D/p1.3ds\n");

    // Dark to bright blue: the boxes' light levels.
    writers::Palette256 blue{};
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0;
        auto c = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
        blue[static_cast<size_t>(i)] = c(255 * std::pow(t, 2.4)) << 16 | c(255 * std::pow(t, 1.5)) << 8 | c(40 + 215 * std::pow(t, 0.8));
    }
    blue[0] = 0;
    p.write("data/palette/blue.pal", writers::encodePalette(blue));

    // A soft round glow on black, 32 x 32.
    Canvas flare(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const double d = std::hypot(x - 15.5, y - 15.5) / 16, v = std::pow(std::max(0.0, 1 - d), 2.2);
            flare.at(x, y) = static_cast<uint32_t>(200 * v) << 16 | static_cast<uint32_t>(225 * v) << 8 | static_cast<uint32_t>(255 * v);
        }
    p.write("data/image/flare32.jpg", writers::encodeJpeg(flare.pixels.data(), 32, 32, 95));
}

} // namespace datagen
