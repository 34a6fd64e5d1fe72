#include <gtest/gtest.h>

#include <memory>

#include "draw2d/bitmap_font.h"

using namespace draw2d;

namespace {

// A sheet of lines of glyphs, glyph k a solid block of width 1 + k % 4 and value 0x10 * (1 + k % 8)
// in blue, one black column apart, lines of height 5 with a black row between.
std::unique_ptr<BitmapFont> fontOf(int glyphs, int perLine, bool finalBlankRow = true) {
    auto font = std::make_unique<BitmapFont>();
    const int lines = (glyphs + perLine - 1) / perLine;
    font->sheet.create(perLine * 5, lines * 6 + (finalBlankRow ? 0 : -1));
    for (size_t i = 0; i < font->sheet.pixelCount(); ++i)
        font->sheet.pixels[i] = 0xFF000000u; // the top byte does not count
    for (int k = 0; k < glyphs; ++k) {
        const int line = k / perLine, x0 = (k % perLine) * 5, w = 1 + k % 4;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < w; ++x)
                font->sheet.pixels[(line * 6 + y) * font->sheet.width + x0 + x] =
                    static_cast<uint32_t>(0x10 * (1 + k % 8));
    }
    cutGlyphs(*font);
    return font;
}

} // namespace

TEST(BitmapFont, CutsGlyphsByTheirBlankSurroundings) {
    auto font = fontOf(96, 16);
    ASSERT_EQ(font->glyphCount, 96);
    EXPECT_EQ(font->glyphs[0].width, 1); // "!"
    EXPECT_EQ(font->glyphs[1].width, 2); // the double quote, one black column further
    EXPECT_EQ(font->glyphs[1].height, 5);
    EXPECT_EQ(font->glyphs[1].pixels[0], 0x20u);
    EXPECT_EQ(font->glyphs[17].width, 2); // second line
    EXPECT_EQ(font->spaceWidth, font->glyphs[65].width);
    // A sheet without a final blank row ends its last line at the edge; no more than 500 glyphs.
    EXPECT_EQ(fontOf(70, 10, false)->glyphCount, 70);
    EXPECT_EQ(fontOf(520, 40)->glyphCount, 500);
    BitmapFont empty;
    loadFont(empty, "no/such/font.tga");
    EXPECT_EQ(empty.glyphCount, 0);
}

TEST(BitmapFont, PenAdvanceSpacesAndSkippedCharacters) {
    auto font = fontOf(96, 16);
    picture::Image32 target;
    target.create(64, 16);
    auto drawnColumns = [&](const char* text) {
        std::fill_n(target.pixels, target.pixelCount(), 0u);
        drawText(*font, target, text, 2, 3, false);
        std::vector<int> columns;
        for (int x = 0; x < 64; ++x)
            if (target.pixels[3 * 64 + x] != 0) columns.push_back(x);
        return columns;
    };
    // "A" is glyph 32 (width 1), "B" glyph 33 (width 2): A at 2, B at 2 + 1 + 2 + spaceWidth.
    const int space = font->spaceWidth;
    const std::vector<int> expected = {2, 5 + space, 6 + space};
    EXPECT_EQ(drawnColumns("A B"), expected);
    EXPECT_EQ(drawnColumns("A\t\n B"), expected)
        << "control characters draw nothing and do not move the pen";
    EXPECT_EQ(drawnColumns("A\xE9 B"), expected) << "codes above 127";
    // Centred: each glyph centred on its pen position, the spacing unchanged.
    std::fill_n(target.pixels, target.pixelCount(), 0u);
    drawText(*font, target, "BB", 10, 8, true);
    EXPECT_NE(target.pixels[6 * 64 + 9], 0u);
    EXPECT_NE(target.pixels[6 * 64 + 13], 0u);
    EXPECT_EQ(target.pixels[6 * 64 + 12], 0u);
    // Drawn additively: saturates over a bright background.
    std::fill_n(target.pixels, target.pixelCount(), 0x00FFFFF0u);
    drawText(*font, target, "(", 0, 0, false); // glyph 7: 0x80 in blue
    EXPECT_EQ(target.pixels[0], 0x00FFFFFFu);
    EXPECT_EQ(target.pixels[1 * 64 + 40], 0x00FFFFF0u);
}
