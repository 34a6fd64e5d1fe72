#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "fx/scene_description.h"
#include "tests/temp_dir.h"
#include "tools/writers/image_writers.h"

using namespace fx;
using namespace scene3d;

namespace {

// Nine header lines, then the blocks.
std::string header() {
    return "scene\n#\n#\n#\n#\n#\n#\n#\n#\n";
}

std::string meshBlock(const std::string& mode, int colour, const std::string& texture,
                      const std::string& palette, const std::string& levels,
                      const std::string& switches) {
    return mode + "\n" + std::to_string(colour) + "\n" + texture + "\n" + palette + "\n" + levels +
           "\n" + switches + "\n";
}

std::unique_ptr<Scene3ds> sceneWith(size_t meshes, size_t cameras) {
    auto s = std::make_unique<Scene3ds>();
    for (size_t i = 0; i < meshes; ++i)
        s->meshes.push_back(std::make_unique<Mesh>());
    for (size_t i = 0; i < cameras; ++i)
        s->cameras.push_back(std::make_unique<SceneCamera>());
    return s;
}

} // namespace

TEST(SceneDescription, AppliesEveryField) {
    testing_files::TempDir dir("description");
    std::filesystem::create_directories("texture");
    std::filesystem::create_directories("palette");
    std::vector<uint32_t> px(256 * 256, 0x00336699);
    ASSERT_TRUE(
        writers::writeBytes("texture/wood.tga", writers::encodeTga24(px.data(), 256, 256, false)));
    ASSERT_TRUE(writers::writeBytes("palette/blue.pal", writers::Bytes(768, 9)));
    const std::string text =
        header() + meshBlock("PMAPZ", 16777215, "wood.tga", "blue.pal", "40 200", "3 2 1 0") +
        meshBlock("GOURAUDZ", 255, "wood.tga", "noOne", "10 20", "0 1 0 1") +
        meshBlock("FLAT", 0, "noOne", "blue.pal  trailing words", "0 0", "0 0 0 0") + "2.5\n" +
        "100 900.5 30 50\n1 1\n";
    ASSERT_TRUE(writers::writeBytes("dlg", writers::Bytes(text.begin(), text.end())));
    auto scene = sceneWith(3, 1);
    picture::LoadedImage32 prepared;
    scene->meshes[2]->texture = &prepared;
    const std::array<uint32_t, 256> preparedPalette{};
    scene->meshes[1]->shadeTable = &preparedPalette;
    scene->meshes[0]->flags = 0x1 | 0x40 | 0x1000;
    scene->meshes[1]->flags = 0;
    picture::ResourceLists lists;
    readSceneDescription("dlg", *scene, lists);

    const Mesh &a = *scene->meshes[0], &b = *scene->meshes[1], &c = *scene->meshes[2];
    EXPECT_EQ(a.renderMode, 40);
    EXPECT_EQ(a.colour, 0xFFFFFFu);
    EXPECT_EQ(a.ambient, 40);
    EXPECT_EQ(a.diffuse, 200);
    // 3 sets bit 0x2, 2 clears 0x1, 1 sets 0x20, 0 clears 0x40; other bits stay.
    EXPECT_EQ(a.flags, 0x2u | 0x20u | 0x1000u);
    EXPECT_EQ(b.flags, 0x1u | 0x40u);
    // One texture for the two meshes that name it; "noOne" keeps what preparation bound.
    ASSERT_EQ(lists.textures.size(), 1u);
    EXPECT_EQ(a.texture, b.texture);
    EXPECT_EQ(a.texture->pixels[0], 0x00336699u);
    EXPECT_NE(a.texture->tiled, nullptr);
    EXPECT_EQ(c.texture, &prepared);
    EXPECT_EQ(b.shadeTable, &preparedPalette);
    ASSERT_EQ(lists.palettes.size(), 1u);
    EXPECT_EQ(a.shadeTable, c.shadeTable) << "the palette name is its line's first word";
    EXPECT_EQ(c.renderMode, 70);
    EXPECT_FLOAT_EQ(scene->factor, 2.5f);
    const SceneCamera& cam = *scene->cameras[0];
    EXPECT_FLOAT_EQ(cam.lightStart, 100);
    EXPECT_FLOAT_EQ(cam.lightEnd, 900.5f);
    EXPECT_FLOAT_EQ(cam.lightHotspot, 30);
    EXPECT_FLOAT_EQ(cam.lightFalloff, 50);
    EXPECT_EQ(cam.spotMode, 1);
    EXPECT_EQ(cam.spotSide, 1);
}

TEST(SceneDescription, ShortOrMalformedFilesAreRefusedWithTheirLine) {
    SceneDescription d;
    int line = 0;
    std::string problem;
    const std::string one = meshBlock("FLAT", 1, "noOne", "noOne", "30 225", "1 1 0 0");
    // Complete for one mesh and no camera; CR LF lines read as LF.
    EXPECT_TRUE(parseSceneDescription(header() + one + "1.0\n", 1, 0, d, line, problem));
    std::string crlf = header() + one + "1.0\n";
    for (size_t i = 0; (i = crlf.find('\n', i)) != std::string::npos; i += 2)
        crlf.insert(i, "\r");
    ASSERT_TRUE(parseSceneDescription(crlf, 1, 0, d, line, problem));
    EXPECT_EQ(d.meshes[0].texture, "noOne");
    // The camera block is missing.
    EXPECT_FALSE(parseSceneDescription(header() + one + "1.0\n", 1, 1, d, line, problem));
    EXPECT_EQ(line, 17);
    EXPECT_NE(problem.find("ends"), std::string::npos);
    // Levels that are not numbers.
    EXPECT_FALSE(parseSceneDescription(
        header() + meshBlock("FLAT", 1, "noOne", "noOne", "thirty", "1 1 0 0") + "1\n", 1, 0, d,
        line, problem));
    EXPECT_EQ(line, 14);
    EXPECT_FALSE(parseSceneDescription(
        header() + meshBlock("FLAT", 1, "noOne", "noOne", "30 225", "1 1 0") + "1\n", 1, 0, d, line,
        problem));
    EXPECT_EQ(line, 15);
    // Written for two meshes, read for one: the second block's mode line is taken as the factor.
    EXPECT_FALSE(parseSceneDescription(header() + one + one + "1.0\n", 1, 0, d, line, problem));
    EXPECT_EQ(line, 16);
    EXPECT_NE(problem.find("factor"), std::string::npos);
    // A scene with fewer meshes whose next line happens to be a number reads on from there.
    EXPECT_TRUE(parseSceneDescription(header() + one + "0.5\n" + "3\n", 1, 0, d, line, problem));
    EXPECT_FLOAT_EQ(d.factor, 0.5f);

    auto scene = sceneWith(1, 0);
    picture::ResourceLists lists;
    testing_files::TempDir dir("description-bad");
    EXPECT_EXIT(readSceneDescription("dlg/none", *scene, lists), testing::ExitedWithCode(255),
                "Can't open file dlg/none !");
    const std::string bad =
        header() + meshBlock("flat", 1, "noOne", "noOne", "30 225", "1 1 0 0") + "1\n";
    ASSERT_TRUE(writers::writeBytes("bad", writers::Bytes(bad.begin(), bad.end())));
    // The mode names are exact: "flat" is not a mode, and the refusal names file and line.
    EXPECT_EXIT(readSceneDescription("bad", *scene, lists), testing::ExitedWithCode(255),
                "bad line 10: unknown render mode \"flat\"");
    const std::string shortFile = header() + "FLAT\n";
    ASSERT_TRUE(writers::writeBytes("short", writers::Bytes(shortFile.begin(), shortFile.end())));
    EXPECT_EXIT(readSceneDescription("short", *scene, lists), testing::ExitedWithCode(255),
                "short line 11: the file ends");
}
