#include <gtest/gtest.h>

#include "picture/palette.h"
#include "platform/headless_host.h"
#include "platform/message_box.h"
#include "tests/temp_dir.h"
#include "tools/writers/image_writers.h"

using namespace picture;

TEST(Palette, FileBytesAreBlueGreenRed) {
    testing_files::TempDir dir("palette_order");
    writers::Bytes bytes(768, 0);
    bytes[0] = 0x10, bytes[1] = 0x20, bytes[2] = 0x30, bytes[767] = 0x99;
    ASSERT_TRUE(writers::writeBytes("p.pal", bytes));
    ColourTable t{};
    ASSERT_EQ(loadPaletteFile("p.pal", t), 2);
    EXPECT_EQ(t[0], 0x00302010u);
    EXPECT_EQ(t[255], 0x00990000u);
    EXPECT_EQ(loadPaletteFile("none.pal", t), 1);

    // A short or long file is refused and leaves the table as it was.
    ASSERT_TRUE(writers::writeBytes("s.pal", writers::Bytes(6, 0x44)));
    ASSERT_TRUE(writers::writeBytes("l.pal", writers::Bytes(769, 0x44)));
    t.fill(0x123456);
    EXPECT_EQ(loadPaletteFile("s.pal", t), kPaletteWrongSize);
    EXPECT_EQ(loadPaletteFile("l.pal", t), kPaletteWrongSize);
    EXPECT_EQ(t[0], 0x123456u);

    std::unique_ptr<ColourTable> loose;
    EXPECT_EQ(loadColourTable("none.pal", loose), 1);
    EXPECT_EQ(loose, nullptr);
    EXPECT_EQ(loadColourTable("s.pal", loose), 1);
    EXPECT_EQ(loose, nullptr);
    EXPECT_EQ(loadColourTable("p.pal", loose), 2);
    ASSERT_NE(loose, nullptr);
    EXPECT_EQ((*loose)[0], 0x00302010u);
}

TEST(Palette, NamedPalettesLoadOnce) {
    testing_files::TempDir dir("palette_named");
    std::filesystem::create_directory("palette");
    writers::Palette256 p{};
    p[1] = 0xABCDEF;
    ASSERT_TRUE(writers::writeBytes("palette/blue.pal", writers::encodePalette(p)));
    PaletteList list;
    EXPECT_EQ(addNamedPalette(list, "blue.pal"), 1);
    EXPECT_EQ(addNamedPalette(list, "blue.pal"), 0);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->table[1], 0xABCDEFu);
    EXPECT_EQ(findPalette(list, "Blue.pal"), nullptr); // names compare exactly
}

TEST(PaletteDeathTest, MissingNamedPaletteEndsTheProgram) {
    testing_files::TempDir dir("palette_missing");
    PaletteList list;
    Image32 out;
    EXPECT_EXIT(addNamedPalette(list, "gone.pal"), testing::ExitedWithCode(255),
                "palette Info: Can't load gone.pal !");
    std::filesystem::create_directory("palette");
    ASSERT_TRUE(writers::writeBytes("palette/half.pal", writers::Bytes(384, 1)));
    EXPECT_EXIT(addNamedPalette(list, "half.pal"), testing::ExitedWithCode(255),
                "palette Info: Can't load half.pal ! \\(a palette file holds 768 bytes, this one "
                "does not\\)");
    EXPECT_EXIT(recolourIndexed(out, "gone.pcx", "x.pal"), testing::ExitedWithCode(255),
                "error loading file: gone.pcx: file doesn't exist");
}

TEST(Palette, RecolourTakesThePaletteFileNotTheFilesOwnMap) {
    testing_files::TempDir dir("palette_recolour");
    writers::Palette256 own{}, other{};
    for (uint32_t i = 0; i < 256; ++i)
        own[i] = i, other[i] = (i << 16) | 0x0100;
    std::vector<uint8_t> idx(16 * 8);
    for (size_t i = 0; i < idx.size(); ++i)
        idx[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(writers::writeBytes("f.pcx", writers::encodePcx8(idx.data(), 16, 8, own)));
    ASSERT_TRUE(writers::writeBytes("o.pal", writers::encodePalette(other)));
    Image32 out;
    recolourIndexed(out, "f.pcx", "o.pal");
    ASSERT_EQ(out.width, 16);
    ASSERT_EQ(out.height, 8);
    for (size_t i = 0; i < idx.size(); ++i)
        ASSERT_EQ(out.pixels[i], other[idx[i]]);
    EXPECT_DEATH(recolourIndexed(out, "f.pcx", "none.pal"), "none.pal: can't load Palette !");

    Image8 shape;
    ASSERT_EQ(shape.load("f.pcx"), kLoaded);
    Image32 converted;
    indexedToImage32(converted, shape, own);
    EXPECT_EQ(converted.pixels[77], 77u);
}
