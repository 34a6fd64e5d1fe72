#include "tools/writers/image_writers.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "picture/png_writer.h"

namespace writers {

namespace {

void put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// TGA run-length packets over items of itemBytes, one row at a time (packets never cross a
// row, as most writers do).
void tgaRle(Bytes& out, const uint8_t* items, int count, int itemBytes) {
    auto same = [&](int a, int b) {
        for (int k = 0; k < itemBytes; ++k)
            if (items[a * itemBytes + k] != items[b * itemBytes + k]) return false;
        return true;
    };
    int i = 0;
    while (i < count) {
        int run = 1;
        while (i + run < count && run < 128 && same(i, i + run))
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(127 + run));
            out.insert(out.end(), items + i * itemBytes, items + (i + 1) * itemBytes);
            i += run;
            continue;
        }
        int lit = 1;
        while (i + lit < count && lit < 128 && !(i + lit + 1 < count && same(i + lit, i + lit + 1)))
            ++lit;
        out.push_back(static_cast<uint8_t>(lit - 1));
        out.insert(out.end(), items + i * itemBytes, items + (i + lit) * itemBytes);
        i += lit;
    }
}

void tgaHeader(Bytes& b, int type, bool mapped, int width, int height, int depth, bool topDown) {
    b.push_back(0);              // no image ID
    b.push_back(mapped ? 1 : 0); // colour map type
    b.push_back(static_cast<uint8_t>(type));
    put16(b, 0);                  // first map entry
    put16(b, mapped ? 256 : 0);   // map length
    b.push_back(mapped ? 24 : 0); // map entry size
    put16(b, 0);
    put16(b, 0);
    put16(b, static_cast<unsigned>(width));
    put16(b, static_cast<unsigned>(height));
    b.push_back(static_cast<uint8_t>(depth));
    b.push_back(topDown ? 0x20 : 0x00);
}

} // namespace

Bytes encodeTga24(const uint32_t* pixels, int width, int height, bool rle, bool topDown) {
    Bytes b;
    tgaHeader(b, rle ? 10 : 2, false, width, height, 24, topDown);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int r = 0; r < height; ++r) {
        const int src = topDown ? r : height - 1 - r;
        for (int i = 0; i < width; ++i) {
            const uint32_t p = pixels[static_cast<size_t>(src) * width + i];
            row[3 * i] = static_cast<uint8_t>(p), row[3 * i + 1] = static_cast<uint8_t>(p >> 8);
            row[3 * i + 2] = static_cast<uint8_t>(p >> 16);
        }
        if (rle)
            tgaRle(b, row.data(), width, 3);
        else
            b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

Bytes encodeTga8(const uint8_t* indices, int width, int height, const Palette256& palette,
                 bool rle) {
    Bytes b;
    tgaHeader(b, rle ? 9 : 1, true, width, height, 8, false);
    for (uint32_t c : palette) {
        b.push_back(static_cast<uint8_t>(c));
        b.push_back(static_cast<uint8_t>(c >> 8));
        b.push_back(static_cast<uint8_t>(c >> 16));
    }
    for (int r = height - 1; r >= 0; --r) {
        const uint8_t* row = indices + static_cast<size_t>(r) * width;
        if (rle)
            tgaRle(b, row, width, 1);
        else
            b.insert(b.end(), row, row + width);
    }
    return b;
}

Bytes encodeBmp24(const uint32_t* pixels, int width, int height) {
    const uint32_t rowBytes = static_cast<uint32_t>(width) * 3 + (width & 3);
    const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(height);
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    put32(b, 54 + dataBytes);
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, static_cast<uint32_t>(width));
    put32(b, static_cast<uint32_t>(height));
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);
    put32(b, dataBytes);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    for (int r = height - 1; r >= 0; --r) {
        for (int i = 0; i < width; ++i) {
            const uint32_t p = pixels[static_cast<size_t>(r) * width + i];
            b.push_back(static_cast<uint8_t>(p));
            b.push_back(static_cast<uint8_t>(p >> 8));
            b.push_back(static_cast<uint8_t>(p >> 16));
        }
        for (int k = 0; k < (width & 3); ++k)
            b.push_back(0);
    }
    return b;
}

Bytes encodePcx8(const uint8_t* indices, int width, int height, const Palette256& palette,
                 int bytesPerLine) {
    if (bytesPerLine < width) bytesPerLine = width + (width & 1);
    Bytes b(128, 0);
    b[0] = 10; // maker
    b[1] = 5;  // version
    b[2] = 1;  // run-length
    b[3] = 8;  // bits per pixel
    b[8] = static_cast<uint8_t>(width - 1), b[9] = static_cast<uint8_t>((width - 1) >> 8);
    b[10] = static_cast<uint8_t>(height - 1), b[11] = static_cast<uint8_t>((height - 1) >> 8);
    b[65] = 1; // planes
    b[66] = static_cast<uint8_t>(bytesPerLine), b[67] = static_cast<uint8_t>(bytesPerLine >> 8);
    b[68] = 1; // colour palette
    std::vector<uint8_t> line(static_cast<size_t>(bytesPerLine), 0);
    for (int r = 0; r < height; ++r) {
        std::copy(indices + static_cast<size_t>(r) * width,
                  indices + static_cast<size_t>(r + 1) * width, line.begin());
        for (int i = 0; i < bytesPerLine;) {
            int run = 1;
            while (i + run < bytesPerLine && run < 63 && line[i + run] == line[i])
                ++run;
            if (run > 1 || line[i] >= 192) b.push_back(static_cast<uint8_t>(0xC0 | run));
            b.push_back(line[i]);
            i += run;
        }
    }
    b.push_back(0x0C);
    for (uint32_t c : palette) {
        b.push_back(static_cast<uint8_t>(c >> 16));
        b.push_back(static_cast<uint8_t>(c >> 8));
        b.push_back(static_cast<uint8_t>(c));
    }
    return b;
}

Bytes encodePalette(const Palette256& palette) {
    Bytes b;
    for (uint32_t c : palette) {
        b.push_back(static_cast<uint8_t>(c));
        b.push_back(static_cast<uint8_t>(c >> 8));
        b.push_back(static_cast<uint8_t>(c >> 16));
    }
    return b;
}

Bytes encodeJpeg(const uint32_t* pixels, int width, int height, int quality, bool grey) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err); // the inputs are ours: an error here is a bug, and exits
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint32_t* src = pixels + static_cast<size_t>(cinfo.next_scanline) * width;
        for (int i = 0; i < width; ++i) {
            const uint32_t p = src[i];
            if (grey) {
                row[i] = static_cast<uint8_t>(
                    ((p >> 16 & 0xFF) * 77 + (p >> 8 & 0xFF) * 150 + (p & 0xFF) * 29) >> 8);
            } else {
                row[3 * i] = static_cast<uint8_t>(p >> 16),
                        row[3 * i + 1] = static_cast<uint8_t>(p >> 8);
                row[3 * i + 2] = static_cast<uint8_t>(p);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

bool writeBytes(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool writePngImage(const std::string& path, const uint32_t* pixels, int width, int height) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
    }
    return picture::writePng(path, rgb.data(), width, height);
}

} // namespace writers
