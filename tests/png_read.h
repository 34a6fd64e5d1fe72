#pragma once
// Reads 8-bit RGB PNG files back for the tests.
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

namespace testing_png {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

inline bool readPng(const std::string& path, Picture& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    out.width = static_cast<int>(png_get_image_width(png, info));
    out.height = static_cast<int>(png_get_image_height(png, info));
    const bool rgb8 =
        png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8;
    out.rgb.assign(static_cast<size_t>(out.width) * out.height * 3, 0);
    std::vector<png_bytep> rows(static_cast<size_t>(out.height));
    for (int y = 0; y < out.height; ++y)
        rows[y] = out.rgb.data() + static_cast<size_t>(y) * out.width * 3;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return rgb8;
}

} // namespace testing_png
