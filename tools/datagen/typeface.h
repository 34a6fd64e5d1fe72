#pragma once
// Text rendered from a TrueType face with FreeType, for the font sheet and the captions.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/datagen/pixel_font.h"

namespace datagen {

struct RenderedGlyph {
    int width = 0, height = 0, left = 0, top = 0, advance = 0; // top: rows above the baseline
    std::vector<uint8_t> coverage;                             // width x height, 0 .. 255
};

class Typeface {
  public:
    // Opens the first of the usual places of the named face; ok() tells whether it worked.
    Typeface(const std::string& fileName, int pixelSize);
    ~Typeface();
    Typeface(const Typeface&) = delete;
    Typeface& operator=(const Typeface&) = delete;
    bool ok() const { return face_ != nullptr; }
    RenderedGlyph glyph(uint32_t code) const;
    int textWidth(const std::string& text) const;
    // Draws text with its baseline at y, coverage times colour added with saturation.
    void draw(Canvas& c, const std::string& text, int x, int y, uint32_t colour) const;

  private:
    void* library_ = nullptr;
    void* face_ = nullptr;
};

// The launcher's font sheet: glyphs for 33 .. 127 in reading order on black.
Canvas fontSheet(const Typeface& face);

} // namespace datagen
