#include "picture/palette.h"

#include "picture/file_bytes.h"
#include "platform/message_box.h"

namespace picture {

const char* paletteProblem(int result) {
    switch (result) {
    case kPaletteMissing:
        return "the file cannot be opened";
    case kPaletteWrongSize:
        return "a palette file holds 768 bytes, this one does not";
    default:
        return "";
    }
}

bool paletteFromBytes(const uint8_t* data, size_t size, ColourTable& table) {
    if (size != kPaletteBytes) return false;
    for (size_t i = 0; i < 256; ++i) {
        const uint8_t* e = data + 3 * i;
        table[i] = (table[i] & 0xFF000000u) | e[0] | (e[1] << 8) | (e[2] << 16);
    }
    return true;
}

int loadPaletteFile(const std::string& fileName, ColourTable& table) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(fileName, bytes)) return kPaletteMissing;
    return paletteFromBytes(bytes.data(), bytes.size(), table) ? kPaletteLoaded : kPaletteWrongSize;
}

int loadColourTable(const std::string& fileName, std::unique_ptr<ColourTable>& out) {
    auto table = std::make_unique<ColourTable>();
    const int r = loadPaletteFile(fileName, *table);
    if (r != kPaletteLoaded) {
        warnPlayingOn(fileName, paletteProblem(r));
        return kPaletteMissing;
    }
    out = std::move(table);
    return kPaletteLoaded;
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
    if (const int r = loadPaletteFile("palette/" + name, palette->table); r != kPaletteLoaded) {
        // The production's text, then what is wrong when the file is there but unusable.
        std::string text = "Can't load " + name + " !";
        if (r != kPaletteMissing) text += std::string(" (") + paletteProblem(r) + ")";
        platform::messageBox("palette Info", text);
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
    if (const int r = loadPaletteFile(paletteFile, table); r != kPaletteLoaded) {
        platform::messageBox(paletteFile,
                             r == kPaletteMissing
                                 ? std::string("can't load Palette !")
                                 : std::string("can't load Palette ! (") + paletteProblem(r) + ")");
        platform::fatalExit(-1);
    }
    indexedToImage32(dst, shape, table);
}

void indexedToImage32(Image32& dst, const Image8& src, const ColourTable& table) {
    dst.create(src.width, src.height);
    const size_t n = src.pixelCount();
    for (size_t i = 0; i < n; ++i)
        dst.pixels[i] = table[src.indices[i]];
}

} // namespace picture
