#pragma once
// A proportional font cut from one picture: glyphs for "!" onwards in reading order on black,
// found by the blank rows and columns around them. Glyphs are drawn additively.
#include <array>
#include <string>
#include <string_view>

#include "picture/image32.h"

namespace draw2d {

struct BitmapFont {
    static constexpr int kMaxGlyphs = 500;
    int glyphCount = 0;
    std::array<picture::Image32, kMaxGlyphs> glyphs; // glyph k is character 33 + k
    int spaceWidth = 0;                              // glyph 65's width
    picture::LoadedImage32 sheet;
};

// Loads the sheet (a failed load leaves it empty: no glyphs) and cuts the glyphs from it.
void loadFont(BitmapFont& font, const std::string& fileName);
// Cuts the glyphs from an image already in font.sheet.
void cutGlyphs(BitmapFont& font);

// Draws text with the pen from (x, y), each glyph's top-left at the pen, or its centre when
// centred; the pen moves by the glyph's width + 2, by spaceWidth for a space. Characters
// without a glyph are skipped and leave the pen where it is.
void drawText(BitmapFont& font, picture::Image32& target, std::string_view text, int x, int y,
              bool centred);

} // namespace draw2d
