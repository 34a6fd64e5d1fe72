// part 1's data: the camera flight "3D/p1.3ds" over the 1000 x 1000 city, the blue shade
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
        {0, -560, 200, -520, -60, 0, -60},     {110, -475, 145, -368, -100, 0, -100}, {300, -260, 90, -300, 40, 0, 0},
        {500, -10, 70, -260, 100, 0, 100},     {700, 220, 100, -140, 0, 0, 150},      {900, 260, 130, 150, -120, 0, 0},
        {1100, 60, 110, 260, 0, 150, -50},     {1250, 0, 90, 200, 0, 600, 0},         {1400, -60, 120, 160, 0, 1100, 30},
        {1460, -80, 130, 150, 0, 1200, 30},
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

    // A soft round glow on black, 96 x 96: drawn at one source pixel per screen pixel up
    // close and shrinking with distance.
    Canvas flare(96, 96);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x) {
            const double d = std::hypot(x - 47.5, y - 47.5) / 48, v = std::pow(std::max(0.0, 1 - d), 2.2);
            flare.at(x, y) = static_cast<uint32_t>(200 * v) << 16 | static_cast<uint32_t>(225 * v) << 8 | static_cast<uint32_t>(255 * v);
        }
    p.write("data/image/flare32.jpg", writers::encodeJpeg(flare.pixels.data(), 96, 96, 95));
}

} // namespace datagen
