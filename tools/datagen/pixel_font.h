#pragma once
// A 5 x 7 pixel font for the captions and titles the generator draws into its pictures.
#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

struct Canvas {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, rows top first
    Canvas(int w, int h, uint32_t fill = 0)
        : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// Draws text with its top-left at (x, y), each font pixel a scale x scale block.
void drawText(Canvas& c, const std::string& text, int x, int y, int scale, uint32_t colour);
int textWidth(const std::string& text, int scale);

} // namespace datagen
