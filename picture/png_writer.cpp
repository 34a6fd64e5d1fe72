#include "picture/png_writer.h"

#include <png.h>

#include <cstdio>

namespace picture {

namespace {

// libpng reports errors by longjmp: nothing in this frame has a destructor.
bool writeRows(png_structp png, png_infop info, FILE* f, const uint8_t* rgb, int width,
               int height) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rgb + static_cast<size_t>(y) * width * 3));
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool writePng(const std::string& path, const uint8_t* rgb, int width, int height) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool ok = png && info && writeRows(png, info, f, rgb, width, height);
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose(f) == 0 && ok;
}

} // namespace picture
