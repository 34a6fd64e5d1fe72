#include "draw2d/bitmap_font.h"

#include "draw2d/draw2d.h"

namespace draw2d {

namespace {

bool blank(uint32_t p) {
    return (p & 0x00FFFFFFu) == 0;
}

} // namespace

void cutGlyphs(BitmapFont& font) {
    font.glyphCount = 0;
    font.spaceWidth = 0;
    const picture::Image32& s = font.sheet;
    if (!s.pixels || s.width <= 0 || s.height <= 0) return;
    auto at = [&](int x, int y) {
        return s
            .pixels[static_cast<size_t>(y) * static_cast<size_t>(s.width) + static_cast<size_t>(x)];
    };
    auto rowBlank = [&](int y) {
        for (int x = 0; x < s.width; ++x)
            if (!blank(at(x, y))) return false;
        return true;
    };
    // A line that runs to the sheet's last row ends there.
    for (int r = 0; r < s.height && font.glyphCount < BitmapFont::kMaxGlyphs;) {
        if (rowBlank(r)) {
            ++r;
            continue;
        }
        int h = 0;
        while (r + h < s.height && !rowBlank(r + h))
            ++h;
        auto columnBlank = [&](int x) {
            for (int y = r; y < r + h; ++y)
                if (!blank(at(x, y))) return false;
            return true;
        };
        for (int c = 0; c < s.width && font.glyphCount < BitmapFont::kMaxGlyphs;) {
            if (columnBlank(c)) {
                ++c;
                continue;
            }
            int w = 0;
            while (c + w < s.width && !columnBlank(c + w))
                ++w;
            picture::Image32& g = font.glyphs[static_cast<size_t>(font.glyphCount++)];
            g.create(w, h);
            g.grabFrom(s, c, r);
            c += w;
        }
        r += h;
    }
    if (font.glyphCount > 65) font.spaceWidth = font.glyphs[65].width;
}

void loadFont(BitmapFont& font, const std::string& fileName) {
    picture::loadOrWarn(font.sheet, fileName);
    cutGlyphs(font);
}

void drawText(BitmapFont& font, picture::Image32& target, std::string_view text, int x, int y,
              bool centred) {
    int pen = x;
    for (const char ch : text) {
        const auto code = static_cast<signed char>(ch);
        if (code == 32) {
            pen += font.spaceWidth;
            continue;
        }
        if (code < 33) continue; // control characters, and codes above 127
        const int k = code - 33;
        if (k >= font.glyphCount) continue;
        picture::Image32& g = font.glyphs[static_cast<size_t>(k)];
        g.x = pen, g.y = y;
        if (centred) g.centreOrigin();
        drawTransAddClip(g, target);
        pen += g.width + 2;
    }
}

} // namespace draw2d
