// demotool render: a 3DS file prepared as the production prepares it, optionally in one render
// mode and with one texture on every mesh, or as its scene description says, placed at a frame
// and drawn as one of its cameras sees it into a 512 x 256 PNG.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fx/colour_tables.h"
#include "fx/light_flares.h"
#include "fx/scene_description.h"
#include "fx/scene_pass.h"
#include "picture/image32.h"
#include "picture/resource_lists.h"
#include "raster/render.h"
#include "scene3d/camera.h"
#include "scene3d/scene_prep.h"
#include "tools/writers/image_writers.h"

using namespace scene3d;

namespace {

constexpr const char* kUsage =
    "usage: demotool render FILE OUT.png [--mode NAME] [--frame F] [--texture PICTURE] [--camera "
    "N]\n"
    "                      [--describe DESCRIPTION] [--hide NAME,NAME...]\n";

std::vector<std::string> splitNames(const std::string& list) {
    std::vector<std::string> out;
    size_t from = 0;
    while (from <= list.size()) {
        const size_t comma = std::min(list.find(',', from), list.size());
        if (comma > from) out.push_back(list.substr(from, comma - from));
        from = comma + 1;
    }
    return out;
}

// Grey levels for the flat and Gouraud modes, darkest at 0.
const std::array<uint32_t, 256>& greyPalette() {
    static const std::array<uint32_t, 256> palette = [] {
        std::array<uint32_t, 256> p{};
        for (uint32_t i = 0; i < 256; ++i)
            p[i] = i * 0x010101u;
        return p;
    }();
    return palette;
}

// A checkerboard of 32-texel squares, for texture modes without a picture.
void checker(picture::LoadedImage32& image) {
    image.create(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            image.pixels[y * 256 + x] = ((x >> 5) ^ (y >> 5)) & 1 ? 0x00E0C080u : 0x00304070u;
}

// A soft round dot for "POINT_IMG8".
void dot(picture::Image32& image) {
    image.create(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const float d =
                std::hypot(static_cast<float>(x) - 7.5f, static_cast<float>(y) - 7.5f) / 8;
            image.pixels[y * 16 + x] =
                static_cast<uint32_t>(255 * std::max(0.0f, 1 - d)) * 0x010101u;
        }
}

} // namespace

int renderCommand(const std::vector<std::string>& args) {
    std::string path, out, mode, texturePath, description, hide;
    float frame = 0;
    long cameraIndex = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool value = i + 1 < args.size();
        if (args[i] == "--mode" && value)
            mode = args[++i];
        else if (args[i] == "--frame" && value)
            frame = std::strtof(args[++i].c_str(), nullptr);
        else if (args[i] == "--texture" && value)
            texturePath = args[++i];
        else if (args[i] == "--camera" && value)
            cameraIndex = std::strtol(args[++i].c_str(), nullptr, 10);
        else if (args[i] == "--describe" && value)
            description = args[++i];
        else if (args[i] == "--hide" && value)
            hide = args[++i];
        else if (args[i].rfind("--", 0) != 0 && path.empty())
            path = args[i];
        else if (args[i].rfind("--", 0) != 0 && out.empty())
            out = args[i];
        else
            return std::fputs(kUsage, stderr), 2;
    }
    if (path.empty() || out.empty()) return std::fputs(kUsage, stderr), 2;
    const int32_t id = mode.empty() ? -1 : raster::lookupRenderMode(mode);
    if (!mode.empty() && id < 0)
        return std::fprintf(stderr, "%s: mode not found\n", mode.c_str()), 1;

    Scene3ds scene;
    ScenePreparation how;
    how.shadeTable = &greyPalette();
    // A description names its textures and palettes inside the data folder, two levels up.
    picture::ResourceLists lists;
    const bool described = !description.empty();
    if (described) {
        std::error_code ec;
        const std::filesystem::path d = std::filesystem::absolute(description, ec);
        path = std::filesystem::absolute(path, ec).string(),
        out = std::filesystem::absolute(out, ec).string();
        if (chdir(d.parent_path().parent_path().c_str()) != 0)
            return std::fprintf(stderr, "%s: no data folder\n", description.c_str()), 1;
        description = d.string();
        how.bindMaterials = true;
    }
    prepareScene(scene, path, how);
    if (described) fx::readSceneDescription(description, scene, lists);
    for (const std::string& name : splitNames(hide)) {
        Mesh* m = findMesh(scene, name);
        if (!m) return std::fprintf(stderr, "%s: no mesh %s\n", path.c_str(), name.c_str()), 1;
        m->flags &= ~kDrawnByScene;
    }
    const bool madeCamera = scene.cameras.empty();
    if (madeCamera) {
        // No camera of its own: look at the whole scene from the front and a little above.
        Point3f low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
        for (const auto& m : scene.meshes)
            for (const Point3f& v : m->vertices)
                low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)},
                high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
        if (low.x > high.x) return std::fprintf(stderr, "%s: nothing to see\n", path.c_str()), 1;
        const Point3f centre{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
        const float r = std::max({high.x - low.x, high.y - low.y, high.z - low.z});
        auto camera = std::make_unique<SceneCamera>();
        setupCamera(*camera, centre.x, centre.y - 1.6f * r, centre.z + 0.5f * r, 60, 512, 256);
        camera->target = centre;
        scene.cameras.push_back(std::move(camera));
    }

    picture::LoadedImage32 texture;
    if (!texturePath.empty()) {
        const picture::LoadResult r = texture.load(texturePath);
        if (r != picture::LoadResult::kLoaded)
            return std::fprintf(stderr, "%s: cannot be read as a picture\n", texturePath.c_str()),
                   1;
    } else {
        checker(texture);
    }
    if (!texture.buildTiledCopy())
        return std::fprintf(stderr, "%s: a texture must be 256 x 256\n", texturePath.c_str()), 1;
    const fx::ColourTable greys = fx::makeGreyRamp();
    picture::Image32 sprite;
    dot(sprite);
    for (auto& m : scene.meshes) {
        m->pointSprite = &sprite;
        if (id >= 0) m->renderMode = id;
        if (!m->texture || !texturePath.empty()) m->texture = &texture;
    }
    if (cameraIndex < 0 || static_cast<size_t>(cameraIndex) >= scene.cameras.size())
        return std::fprintf(stderr, "%s: no camera %ld\n", path.c_str(), cameraIndex), 1;

    SceneCamera& camera = *scene.cameras[static_cast<size_t>(cameraIndex)];
    const float lensFov = camera.fov;
    const Point3f eye = camera.eye, at = camera.target;
    updateScene(scene, frame);
    if (!(camera.fov > 0)) camera.fov = lensFov;          // no field-of-view track: the lens's
    if (madeCamera) camera.eye = eye, camera.target = at; // no tracks to follow
    updateProjection(camera);
    finishCameraStep(camera);
    beginCameraStep(camera); // the view direction and frustum of the view just built

    picture::Image32 target;
    target.create(512, 256);
    clearDepth(scene, 512 * 256);
    fx::ScenePass pass;
    pass.greyRamp = greys.data();
    pass.beforeMesh = [&](Mesh& m) { fx::hangOnParent(scene, m); };
    fx::drawScene(scene, camera, target, pass);
    picture::LoadedImage32 flare;
    if (described && flare.load("image/flare32.jpg") == picture::LoadResult::kLoaded)
        fx::drawLightFlares(target, flare, scene, camera, scene.depthBuffer.data());
    if (!writers::writePngImage(out, target.pixels, 512, 256))
        return std::fprintf(stderr, "cannot write %s\n", out.c_str()), 1;
    return 0;
}
