// BMP, TGA and PCX readers. Every count, size and offset the file gives is checked against
// the file's length before it is used, and a file whose data is shorter than its header
// promises is refused before the picture's storage is made.
#include <cstring>
#include <vector>

#include "picture/file_bytes.h"
#include "picture/image32.h"
#include "picture/image8.h"

namespace picture {

namespace {

bool validSide(int v) {
    return v >= 1 && v <= kMaxImageSide;
}

struct TgaHeader {
    int idLength, colourMapType, imageType, mapFirst, mapLength, mapEntryBits, width, height, depth;
};

bool readTgaHeader(const uint8_t* d, size_t size, TgaHeader& h) {
    if (size < 18) return false;
    h.idLength = d[0];
    h.colourMapType = d[1];
    h.imageType = d[2];
    h.mapFirst = static_cast<int>(le16(d + 3));
    h.mapLength = static_cast<int>(le16(d + 5));
    h.mapEntryBits = d[7];
    h.width = static_cast<int>(le16(d + 12));
    h.height = static_cast<int>(le16(d + 14));
    h.depth = d[16];
    return true;
}

// Whether `inSize` bytes can hold `count` items: plainly, or as run-length packets of at
// most 128 items, each at least a header byte and one item.
bool tgaDataCanHold(size_t inSize, bool rle, int itemBytes, size_t count) {
    const size_t item = static_cast<size_t>(itemBytes);
    if (!rle) return inSize / item >= count;
    return inSize / (item + 1) >= (count + 127) / 128;
}

// Decodes `count` items of `itemBytes` from a plain or run-length stream into out, stopping at
// count, also inside a packet. False when the input ends first.
bool decodeTgaItems(const uint8_t* in, size_t inSize, bool rle, int itemBytes, size_t count,
                    uint8_t* out) {
    const size_t want = count * static_cast<size_t>(itemBytes);
    if (!rle) {
        if (inSize < want) return false;
        std::memcpy(out, in, want);
        return true;
    }
    size_t pos = 0, written = 0;
    while (written < count) {
        if (pos >= inSize) return false;
        const int header = in[pos++];
        if (header >= 128) {
            if (pos + itemBytes > inSize) return false;
            const uint8_t* item = in + pos;
            pos += itemBytes;
            for (int i = 0; i < header - 127 && written < count; ++i, ++written)
                std::memcpy(out + written * itemBytes, item, static_cast<size_t>(itemBytes));
        } else {
            for (int i = 0; i < header + 1 && written < count; ++i, ++written) {
                if (pos + itemBytes > inSize) return false;
                std::memcpy(out + written * itemBytes, in + pos, static_cast<size_t>(itemBytes));
                pos += itemBytes;
            }
        }
    }
    return true;
}

} // namespace

LoadResult readBmp(const uint8_t* d, size_t size, Image32& out) {
    if (size < 54 || d[0] != 'B' || d[1] != 'M') return kDamaged;
    const int32_t heightField = static_cast<int32_t>(le32(d + 22));
    const int bitCount = static_cast<int>(le16(d + 28));
    const uint32_t compression = le32(d + 30);
    // Top-down, compressed and palette bitmaps have other layouts: refused, not misread.
    if (heightField < 0 || compression != 0) return kModeNotSupported;
    if (bitCount != 24) return kNot24Bit;
    const int width = static_cast<int>(le32(d + 18) & 0xFFFF);
    const int height = static_cast<int>(static_cast<uint32_t>(heightField) & 0xFFFF);
    if (!validSide(width) || !validSide(height)) return kDamaged;
    // Pixel data normally follows the 54 header bytes; a larger header moves it on. An offset
    // inside the header, or pixel rows that run past the file, mean a damaged file. (The last
    // row may lack its padding.)
    const size_t offset = le32(d + 10);
    const size_t rowBytes = static_cast<size_t>(width) * 3 + (width & 3);
    if (offset < 54 || offset > size) return kDamaged;
    if (size - offset < rowBytes * static_cast<size_t>(height - 1) + static_cast<size_t>(width) * 3)
        return kDamaged;
    out.create(width, height);
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        uint32_t* row = out.pixels + static_cast<size_t>(height - 1 - fileRow) * width;
        const uint8_t* p = d + offset + static_cast<size_t>(fileRow) * rowBytes;
        for (int i = 0; i < width; ++i, p += 3)
            row[i] = p[0] | (p[1] << 8) | (p[2] << 16);
    }
    return kLoaded;
}

LoadResult readTga24(const uint8_t* d, size_t size, Image32& out) {
    TgaHeader h;
    if (!readTgaHeader(d, size, h)) return kDamaged;
    if (h.imageType != 2 && h.imageType != 10) return kModeNotSupported;
    if (h.depth != 24) return kNot24Bit;
    if (!validSide(h.width) || !validSide(h.height)) return kDamaged;
    const size_t mapBytes =
        h.colourMapType ? static_cast<size_t>(h.mapLength) * ((h.mapEntryBits + 7) / 8) : 0;
    const size_t dataStart = 18 + static_cast<size_t>(h.idLength) + mapBytes;
    if (dataStart > size) return kDamaged;
    const size_t count = static_cast<size_t>(h.width) * h.height;
    if (!tgaDataCanHold(size - dataStart, h.imageType == 10, 3, count)) return kDamaged;
    std::vector<uint8_t> bgr(count * 3, 0);
    if (!decodeTgaItems(d + dataStart, size - dataStart, h.imageType == 10, 3, count, bgr.data()))
        return kDamaged;
    // Every TGA is taken to be stored bottom-up: the first file row is the bottom row. The
    // descriptor's origin bit is not consulted.
    out.create(h.width, h.height);
    for (int r = 0; r < h.height; ++r) {
        const uint8_t* p = bgr.data() + static_cast<size_t>(r) * h.width * 3;
        uint32_t* row = out.pixels + static_cast<size_t>(h.height - 1 - r) * h.width;
        for (int i = 0; i < h.width; ++i, p += 3)
            row[i] = p[0] | (p[1] << 8) | (p[2] << 16);
    }
    return kLoaded;
}

LoadResult readTga8(const uint8_t* d, size_t size, Image8& out) {
    TgaHeader h;
    if (!readTgaHeader(d, size, h)) return kDamaged;
    if (h.imageType != 1 && h.imageType != 9) return kModeNotSupported;
    if (h.depth != 8) return kNot8Bit;
    if (!validSide(h.width) || !validSide(h.height)) return kDamaged;
    // The colour map as its header describes it: BGR or BGRA entries from mapFirst on. (A
    // full 256-entry 24-bit map from index 0, the usual case, is read as it stands.)
    if (h.mapEntryBits != 24 && h.mapEntryBits != 32) return kModeNotSupported;
    if (h.mapFirst + h.mapLength > 256) return kDamaged;
    const size_t entryBytes = static_cast<size_t>(h.mapEntryBits / 8);
    const size_t mapStart = 18 + static_cast<size_t>(h.idLength);
    const size_t dataStart = mapStart + static_cast<size_t>(h.mapLength) * entryBytes;
    if (dataStart > size) return kDamaged;
    const size_t count = static_cast<size_t>(h.width) * h.height;
    if (!tgaDataCanHold(size - dataStart, h.imageType == 9, 1, count)) return kDamaged;
    std::vector<uint8_t> file(count, 0);
    if (!decodeTgaItems(d + dataStart, size - dataStart, h.imageType == 9, 1, count, file.data()))
        return kDamaged;
    out.palette.fill(0);
    for (int i = 0; i < h.mapLength; ++i) {
        const uint8_t* e = d + mapStart + static_cast<size_t>(i) * entryBytes;
        out.palette[static_cast<size_t>(h.mapFirst + i)] = e[0] | (e[1] << 8) | (e[2] << 16);
    }
    out.create(h.width, h.height);
    for (int r = 0; r < h.height; ++r)
        std::memcpy(out.indices + static_cast<size_t>(h.height - 1 - r) * h.width,
                    file.data() + static_cast<size_t>(r) * h.width, static_cast<size_t>(h.width));
    return kLoaded;
}

LoadResult readPcx(const uint8_t* d, size_t size, Image8& out) {
    if (size < 128 + 769) return kDamaged;
    auto s16 = [&](size_t at) { return static_cast<int>(static_cast<int16_t>(le16(d + at))); };
    const int width = s16(8) - s16(4) + 1, height = s16(10) - s16(6) + 1;
    if (!validSide(width) || !validSide(height)) return kDamaged;
    // The palette follows its marker byte at the end; the runs lie between header and marker,
    // each of at most 63 indices in two bytes.
    if (d[size - 769] != 0x0C) return kDamaged;
    const size_t runBytes = size - 769 - 128;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (runBytes / 2 < (count + 62) / 63) return kDamaged;
    out.create(width, height);
    const uint8_t* pal = d + size - 768;
    for (int i = 0; i < 256; ++i)
        out.palette[static_cast<size_t>(i)] =
            (pal[3 * i] << 16) | (pal[3 * i + 1] << 8) | pal[3 * i + 2];
    // One contiguous run of width * height bytes: line padding is not skipped, so a file
    // whose lines are longer than the picture loads sheared. A run is written in whole; the
    // guard after the indices takes up to 63 bytes of overhang.
    const size_t end = size - 769;
    size_t pos = 128, written = 0;
    while (written < count) {
        if (pos >= end) return out.create(0, 0), kDamaged;
        const uint8_t b = d[pos++];
        if (b < 192) {
            out.indices[written++] = b;
            continue;
        }
        if (pos >= end) return out.create(0, 0), kDamaged;
        const uint8_t index = d[pos++];
        std::memset(out.indices + written, index, b & 0x3F);
        written += b & 0x3F;
    }
    return kLoaded;
}

} // namespace picture
