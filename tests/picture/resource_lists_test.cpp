#include <gtest/gtest.h>

#include <filesystem>

#include "picture/resource_lists.h"
#include "tests/temp_dir.h"
#include "tools/writers/image_writers.h"

using namespace picture;

namespace {

void writePicture(const std::string& path, int w, int h, uint32_t colour) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h, colour);
    ASSERT_TRUE(writers::writeBytes(path, writers::encodeTga24(px.data(), w, h, false)));
}

} // namespace

TEST(ResourceLists, AddsOnceByExactNameFromTheKindsFolder) {
    testing_files::TempDir dir("lists");
    std::filesystem::create_directories("image");
    std::filesystem::create_directories("texture");
    std::filesystem::create_directories("palette");
    writePicture("image/a.tga", 4, 2, 0x112233);
    writePicture("image/A.tga", 4, 2, 0x445566);
    writePicture("texture/t.tga", 256, 256, 0x778899);
    ASSERT_TRUE(writers::writeBytes("palette/p.pal", writers::Bytes(768, 7)));
    const auto here = std::filesystem::current_path();

    ResourceLists lists;
    EXPECT_EQ(addImage(lists, "a.tga"), 0);
    EXPECT_EQ(addImage(lists, "a.tga"), 0);
    EXPECT_EQ(lists.images.size(), 1u);
    EXPECT_EQ(addImage(lists, "A.tga"), 0); // another name, another resource
    ASSERT_EQ(lists.images.size(), 2u);
    EXPECT_EQ(findImage(lists, "a.tga")->pixels[0], 0x112233u);
    EXPECT_EQ(findImage(lists, "A.tga")->pixels[0], 0x445566u);
    EXPECT_EQ(findImage(lists, "b.tga"), nullptr);
    EXPECT_EQ(findImage(lists, "a.tga")->fileName, "a.tga");

    addTexture(lists, "t.tga");
    addTexture(lists, "t.tga");
    ASSERT_EQ(lists.textures.size(), 1u);
    ASSERT_NE(findTexture(lists, "t.tga")->tiled, nullptr);
    EXPECT_EQ(findTexture(lists, "t.tga")->tiled[tiledIndex(9, 9)], 0x778899u);

    EXPECT_EQ(addPalette(lists, "p.pal"), 1);
    EXPECT_EQ(addPalette(lists, "p.pal"), 0);
    EXPECT_EQ(findPalette(lists, "p.pal")->table[0], 0x070707u);
    EXPECT_EQ(std::filesystem::current_path(), here); // still the data folder
}

TEST(ResourceListsDeathTest, AFailingAddShowsTheLoadersBoxAndEnds) {
    testing_files::TempDir dir("lists_fail");
    std::filesystem::create_directories("texture");
    writePicture("texture/small.tga", 64, 64, 1);
    ResourceLists lists;
    EXPECT_EXIT(addImage(lists, "gone.jpg"), testing::ExitedWithCode(255),
                "error loading file: gone.jpg: file doesn't exist");
    EXPECT_EXIT(addTexture(lists, "small.tga"), testing::ExitedWithCode(255),
                "error loading file: small.tga: a texture must be 256 x 256");
}
