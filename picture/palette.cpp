#include "picture/palette.h"

#include "picture/file_bytes.h"
#include "platform/message_box.h"

namespace picture {

void paletteFromBytes(const uint8_t* data, size_t size, ColourTable& table) {
    const size_t entries = std::min<size_t>(size, 768) / 3;
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* e = data + 3 * i;
        table[i] = (table[i] & 0xFF000000u) | e[0] | (e[1] << 8) | (e[2] << 16);
    }
}

int loadPaletteFile(const std::string& fileName, ColourTable& table) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(fileName, bytes)) return 1;
    paletteFromBytes(bytes.data(), bytes.size(), table);
    return 2;
}

int loadColourTable(const std::string& fileName, std::unique_ptr<ColourTable>& out) {
    auto table = std::make_unique<ColourTable>();
    if (loadPaletteFile(fileName, *table) != 2) return 1;
    out = std::move(table);
    return 2;
}

const Palette* findPalette(const PaletteList& list, const std::string& name) {
    for (const auto& p : list)
        if (p->name == name) return p.get();
    return nullptr;
}

int addNamedPalette(PaletteList& list, const std::string& name) {
    if (findPalette(list, name)) return 0;
    auto palette = std::make_unique<Palette>();
    palette->name = name;
    if (loadPaletteFile("palette/" + name, palette->table) != 2) {
        platform::messageBox("palette Info", "Can't load " + name + " !");
        platform::fatalExit(-1);
    }
    list.push_back(std::move(palette));
    return static_cast<int>(list.size());
}

void recolourIndexed(Image32& dst, const std::string& indexedFile, const std::string& paletteFile) {
    Image8 shape;
    const LoadResult r = shape.load(indexedFile);
    if (r != kLoaded) {
        shape.reportLoadError(r);
        platform::fatalExit(-1);
    }
    ColourTable table{};
    if (loadPaletteFile(paletteFile, table) != 2) {
        platform::messageBox(paletteFile, "can't load Palette !");
        platform::fatalExit(-1);
    }
    indexedToImage32(dst, shape, table);
}

void indexedToImage32(Image32& dst, const Image8& src, const ColourTable& table) {
    dst.create(src.width, src.height);
    const size_t n = src.pixelCount();
    for (size_t i = 0; i < n; ++i) dst.pixels[i] = table[src.indices[i]];
}

} // namespace picture
