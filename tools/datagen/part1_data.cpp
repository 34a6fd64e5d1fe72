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
writers::Vec3 file(float x, float y, float z) {
    return {x, z, y};
}

} // namespace

void writePart1Data(Production& p) {
    // The flight, frame by frame. The part plays it from frame 110 at 45 ms a frame: 0 s of
    // music is frame 110, 2 s 154, 46 s 1132, 55 s 1332. It starts low behind the field's
    // corner, where the bouncing light sets off, close enough for the headlight to reach the
    // first boxes; follows the light to the centre; rises over the streets, looking down so
    // that the box tops read as a city block plan, its target always inside the field (the
    // five-block beats fall around it); and from 46 s stands back south of the centre and
    // tilts up with the walkers spiralling into the sky, the city below them.
    struct Key {
        uint32_t frame;
        float ex, ey, ez, tx, ty, tz;
    };
    const Key keys[] = {
        {0, -660, 150, -560, -400, 20, -320}, {110, -590, 135, -490, -340, 0, -270},
        {154, -360, 170, -360, -60, 0, -60},  {240, -330, 240, -360, -30, 0, -30},
        {400, -60, 300, -430, 60, 0, -10},    {560, 280, 300, -260, 80, 0, 60},
        {720, 420, 290, 120, 20, 0, 60},      {880, 170, 320, 420, -70, 0, 10},
        {1040, -260, 340, 360, -20, 0, -40},  {1132, -60, 260, 520, 0, 60, 0},
        {1199, -20, 300, 480, 5, 180, 0},     {1266, 0, 340, 450, 10, 250, 10},
        {1332, 10, 360, 420, 20, 290, 20},    {1460, 20, 400, 440, 25, 600, 40},
    };
    writers::Scene3dsFile s;
    s.endFrame = 1460;
    writers::Camera3ds camera{"flight", file(keys[0].ex, keys[0].ey, keys[0].ez),
                              file(keys[0].tx, keys[0].ty, keys[0].tz), 0, 28};
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
    if (!writers::writeScene3ds((p.root() / "data" / "3D" / "p1.3ds").string(), s))
        std::fprintf(stderr, "datagen: cannot write 3D/p1.3ds\n");

    // The boxes' light levels, dark to bright blue. Unlit faces stay a dark blue, so the boxes
    // stand out against the black floor and streets.
    writers::Palette256 blue{};
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0;
        auto c = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
        blue[static_cast<size_t>(i)] = c(9 + 246 * std::pow(t, 2.4)) << 16 |
                                       c(18 + 237 * std::pow(t, 1.5)) << 8 |
                                       c(72 + 183 * std::pow(t, 0.8));
    }
    p.write("data/palette/blue.pal", writers::encodePalette(blue));

    // A soft round glow on black, 96 x 96: drawn at one source pixel per screen pixel up
    // close and shrinking with distance.
    Canvas flare(96, 96);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x) {
            const double d = std::hypot(x - 47.5, y - 47.5) / 48,
                         v = std::pow(std::max(0.0, 1 - d), 2.2);
            flare.at(x, y) = static_cast<uint32_t>(200 * v) << 16 |
                             static_cast<uint32_t>(225 * v) << 8 | static_cast<uint32_t>(255 * v);
        }
    p.write("data/image/flare32.jpg", writers::encodeJpeg(flare.pixels.data(), 96, 96, 95));
}

} // namespace datagen
