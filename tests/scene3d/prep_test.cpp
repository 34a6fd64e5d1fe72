#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/headless_host.h"
#include "platform/message_box.h"
#include "scene3d/scene_prep.h"
#include "tests/temp_dir.h"
#include "tools/writers/image_writers.h"
#include "tools/writers/scene3ds_writer.h"

using namespace scene3d;

namespace {

writers::Mesh3ds texturedTriangle(const std::string& name, const std::string& material,
                                  bool mapped = true) {
    writers::Mesh3ds m;
    m.name = name;
    m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.faces = {{0, 1, 2}};
    if (mapped) m.mapping = {{0, 0}, {1, 0}, {0, 1}};
    m.material = material;
    return m;
}

} // namespace

TEST(ScenePreparation, BindsMaterialsWithFallbacksAndSetsTheDefaults) {
    testing_files::TempDir dir("prep");
    std::filesystem::create_directories("texture");
    std::vector<uint32_t> px(256 * 256, 0x123456), small(64 * 64, 0x654321);
    ASSERT_TRUE(
        writers::writeBytes("texture/wall.tga", writers::encodeTga24(px.data(), 256, 256, false)));
    ASSERT_TRUE(writers::writeBytes("texture/small.tga",
                                    writers::encodeTga24(small.data(), 64, 64, false)));
    writers::Scene3dsFile f;
    f.materials = {
        {"wall", "wall.tga"}, {"wall", "small.tga"}, {"tiny", "small.tga"}, {"gone", "gone.tga"}};
    f.meshes = {texturedTriangle("a", "wall"), texturedTriangle("b", "tiny"),
                texturedTriangle("c", "gone"), texturedTriangle("d", "nowhere"),
                texturedTriangle("e", "nowhere", false)};
    f.cameras = {{"cam", {0, -10, 0}, {0, 0, 0}, 0, 50}};
    ASSERT_TRUE(writers::writeScene3ds("s.3ds", f));

    platform::HeadlessHost host{{}};
    platform::setMessageBoxHost(&host);
    Scene3ds scene;
    ScenePreparation how;
    how.bindMaterials = true;
    prepareScene(scene, "s.3ds", how);
    platform::setMessageBoxHost(nullptr);

    ASSERT_EQ(scene.meshes.size(), 5u);
    const Mesh &a = *scene.meshes[0], &b = *scene.meshes[1], &c = *scene.meshes[2],
               &d = *scene.meshes[3], &e = *scene.meshes[4];
    // Two materials named "wall": the first is bound.
    ASSERT_NE(a.texture, nullptr);
    EXPECT_EQ(a.texture->pixels[0], 0x123456u);
    EXPECT_NE(a.texture->tiled, nullptr);
    EXPECT_TRUE(a.flags & kTextureBound);
    // A picture of another size is bound without a tiled copy.
    ASSERT_NE(b.texture, nullptr);
    EXPECT_EQ(b.texture->width, 64);
    EXPECT_EQ(b.texture->tiled, nullptr);
    // A picture that does not load becomes one colour, 256 x 256, tiled.
    ASSERT_NE(c.texture, nullptr);
    EXPECT_EQ(c.texture->width, 256);
    EXPECT_EQ(c.texture->pixels[0], c.texture->pixels[65535]);
    EXPECT_NE(c.texture->tiled, nullptr);
    // An unknown material: mapping cleared, after one box; the unmapped mesh is not looked up.
    EXPECT_FALSE(d.flags & kHasMapping);
    EXPECT_EQ(d.texture, nullptr);
    EXPECT_EQ(host.messageBoxCount(), 1);
    EXPECT_EQ(host.lastBox(), "material list: meshs[i]->name");
    EXPECT_EQ(e.texture, nullptr);
    // Defaults: no lights, so every mesh lights from the camera.
    for (const auto& m : scene.meshes) {
        EXPECT_EQ(m->renderMode, 11);
        EXPECT_EQ(m->ambient, 30);
        EXPECT_EQ(m->diffuse, 225);
        EXPECT_TRUE(m->flags & kSortFaces);
        EXPECT_TRUE(m->flags & kCullBackFaces);
        EXPECT_TRUE(m->flags & kHeadlight);
        EXPECT_EQ(m->depthBuffer, &scene.depthBuffer);
    }
    EXPECT_EQ(scene.depthBuffer.size(), kSceneBufferBytes / 4);
    ASSERT_EQ(scene.cameras.size(), 1u);
    EXPECT_FLOAT_EQ(scene.cameras[0]->fov, 46); // lens 50, from the table
    EXPECT_FLOAT_EQ(scene.cameras[0]->viewWidth, 512);
}

// A scene's buffers are zero however the memory was used before, though they are made
// without a pass of zeros.
TEST(ScenePreparation, BuffersAreZeroOverReusedMemory) {
    for (int round = 0; round < 3; ++round) {
        {
            Scene3ds used;
            prepareLoadedScene(used, {});
            std::fill(used.depthBuffer.begin(), used.depthBuffer.end(), 0x5A5A5A5A);
            std::fill(used.auxBuffer.begin(), used.auxBuffer.end(), uint8_t{0xA5});
        }
        for (size_t words : {size_t{16}, size_t{300} << 10, kSceneBufferBytes / 4}) {
            const DepthBuffer small(words);
            ASSERT_TRUE(std::all_of(small.begin(), small.end(), [](int32_t w) { return w == 0; }));
        }
        Scene3ds fresh;
        prepareLoadedScene(fresh, {});
        ASSERT_EQ(fresh.depthBuffer.size(), kSceneBufferBytes / 4);
        ASSERT_TRUE(std::all_of(fresh.depthBuffer.begin(), fresh.depthBuffer.end(),
                                [](int32_t w) { return w == 0; }));
        ASSERT_TRUE(std::all_of(fresh.auxBuffer.begin(), fresh.auxBuffer.end(),
                                [](uint8_t b) { return b == 0; }));
    }
}

TEST(ScenePreparation, ProceduralMeshes) {
    Mesh cube;
    buildCube(cube, 2);
    EXPECT_EQ(cube.vertices.size(), 8u);
    EXPECT_EQ(cube.faces.size(), 12u);
    EXPECT_FLOAT_EQ(cube.boxCorners[0].x, -1);
    EXPECT_FLOAT_EQ(cube.boxCorners[6].z, 1);
    // Closed and wound as loaded scenes are: every face normal points toward the centre, so
    // that culling (which keeps faces whose normals point away from the eye) keeps exactly the
    // sides an eye outside looks at: from above and in front, the top and the front.
    const Point3f eye{0.3f, 10, -4};
    int kept = 0;
    for (size_t i = 0; i < cube.faces.size(); ++i) {
        const Point3f& v = cube.vertices[static_cast<size_t>(cube.faces[i].a)];
        const Point3f& n = cube.faceNormals[i];
        EXPECT_LT(n.x * v.x + n.y * v.y + n.z * v.z, 0) << i;
        if (n.x * (v.x - eye.x) + n.y * (v.y - eye.y) + n.z * (v.z - eye.z) > 0) {
            ++kept;
            EXPECT_TRUE(n.y < -0.99f || n.z > 0.99f) << i;
        }
    }
    EXPECT_EQ(kept, 4);
    EXPECT_EQ(cube.edges.size(), 18u); // 12 box edges and 6 diagonals
    Mesh grid;
    buildGrid(grid, 4, 3, 8, 6);
    EXPECT_EQ(grid.vertices.size(), 12u);
    EXPECT_EQ(grid.faces.size(), 4u * 3 * 2);
    EXPECT_FLOAT_EQ(grid.vertices[0].x, -4);
    EXPECT_FLOAT_EQ(grid.vertices[1].x, -2);
    EXPECT_FLOAT_EQ(grid.vertices[4].z, -1);
    Mesh sphere;
    buildSphere(sphere, 5, 6, 8);
    EXPECT_EQ(sphere.vertices.size(), 5u * 8 + 2);
    EXPECT_EQ(sphere.faces.size(), 2u * 8 * 5);
    EXPECT_FLOAT_EQ(sphere.vertices.back().y, 5);
    for (const auto& uv : sphere.mapping)
        EXPECT_LE(uv[0], 255.0f);
    for (size_t i = 0; i < sphere.faces.size(); ++i) {
        const Point3f& v = sphere.vertices[static_cast<size_t>(sphere.faces[i].a)];
        const Point3f& n = sphere.faceNormals[i];
        EXPECT_LT(n.x * v.x + n.y * v.y + n.z * v.z, 0) << i;
    }
}
