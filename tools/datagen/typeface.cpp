#include "tools/datagen/typeface.h"

#include <algorithm>
#include <cstdio>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace datagen {

namespace {

FT_Face asFace(void* f) {
    return static_cast<FT_Face>(f);
}

uint32_t addScaled(uint32_t d, uint32_t colour, int coverage) {
    uint32_t out = 0;
    for (int k = 0; k < 24; k += 8) {
        const uint32_t v =
            ((colour >> k) & 255) * static_cast<uint32_t>(coverage) / 255 + ((d >> k) & 255);
        out |= std::min(v, 255u) << k;
    }
    return out;
}

} // namespace

Typeface::Typeface(const std::string& fileName, int pixelSize) {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return;
    library_ = lib;
    for (const char* dir : {"/usr/share/fonts/truetype/dejavu/", "/usr/share/fonts/TTF/",
                            "/usr/share/fonts/dejavu/"}) {
        FT_Face face = nullptr;
        if (FT_New_Face(lib, (std::string(dir) + fileName).c_str(), 0, &face) == 0) {
            FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
            face_ = face;
            return;
        }
    }
    std::fprintf(stderr, "datagen: cannot open the typeface %s\n", fileName.c_str());
}

Typeface::~Typeface() {
    if (face_) FT_Done_Face(asFace(face_));
    if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

RenderedGlyph Typeface::glyph(uint32_t code) const {
    RenderedGlyph g;
    if (!face_ || FT_Load_Char(asFace(face_), code, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0)
        return g;
    const FT_GlyphSlot s = asFace(face_)->glyph;
    g.width = static_cast<int>(s->bitmap.width), g.height = static_cast<int>(s->bitmap.rows);
    g.left = s->bitmap_left, g.top = s->bitmap_top, g.advance = static_cast<int>(s->advance.x >> 6);
    g.coverage.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.height));
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
            g.coverage[static_cast<size_t>(y * g.width + x)] =
                s->bitmap.buffer[y * s->bitmap.pitch + x];
    return g;
}

int Typeface::textWidth(const std::string& text) const {
    int w = 0;
    for (const char ch : text)
        w += glyph(static_cast<unsigned char>(ch)).advance;
    return w;
}

void Typeface::draw(Canvas& c, const std::string& text, int x, int y, uint32_t colour) const {
    for (const char ch : text) {
        const RenderedGlyph g = glyph(static_cast<unsigned char>(ch));
        for (int gy = 0; gy < g.height; ++gy)
            for (int gx = 0; gx < g.width; ++gx) {
                const int px = x + g.left + gx, py = y - g.top + gy;
                const int v = g.coverage[static_cast<size_t>(gy * g.width + gx)];
                if (v && c.inside(px, py)) c.at(px, py) = addScaled(c.at(px, py), colour, v);
            }
        x += g.advance;
    }
}

Canvas fontSheet(const Typeface& face) {
    // Every glyph's box runs from the highest ink above the baseline to the lowest below it, so
    // glyphs drawn at one pen height share a baseline. Its empty pixels hold 1 in blue: not
    // blank for the cutter (a glyph of several strokes stays one), invisible when added.
    std::vector<RenderedGlyph> glyphs;
    int above = 0, below = 0;
    for (uint32_t code = 33; code <= 127; ++code) {
        RenderedGlyph g = face.glyph(code);
        if (code == 127 || g.width == 0) { // no glyph in the face: a small hollow box
            g = RenderedGlyph{5, 7, 0, 7, 6, std::vector<uint8_t>(35, 0)};
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 5; ++x)
                    g.coverage[static_cast<size_t>(y * 5 + x)] =
                        (x == 0 || x == 4 || y == 0 || y == 6) ? 160 : 0;
        }
        above = std::max(above, g.top), below = std::max(below, g.height - g.top);
        glyphs.push_back(std::move(g));
    }
    const int lineHeight = above + below, perLine = 24;
    const int lines = (static_cast<int>(glyphs.size()) + perLine - 1) / perLine;
    Canvas sheet(perLine * 16, lines * (lineHeight + 2) + 1, 0);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const RenderedGlyph& g = glyphs[i];
        const int x0 = static_cast<int>(i % perLine) * 16 + 1,
                  y0 = static_cast<int>(i / perLine) * (lineHeight + 2) + 1;
        const int w = std::max(1, g.width);
        for (int y = 0; y < lineHeight; ++y)
            for (int x = 0; x < w; ++x) {
                const int gy = y - (above - g.top);
                const int v = (gy >= 0 && gy < g.height && x < g.width)
                                  ? g.coverage[static_cast<size_t>(gy * g.width + x)]
                                  : 0;
                sheet.at(x0 + x, y0 + y) = v ? addScaled(0, 0x00E8F0FF, v) | 0x000001u : 0x000001u;
            }
    }
    return sheet;
}

} // namespace datagen
