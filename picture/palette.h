#pragma once
// Palette files (768 bytes: 256 entries of three bytes) and the colour tables made from them.
#include <memory>
#include <string>
#include <vector>

#include "picture/image32.h"
#include "picture/image8.h"

namespace picture {

struct Palette {
    ColourTable table{};
    std::string name;
};
using PaletteList = std::vector<std::unique_ptr<Palette>>;

// Byte 0 of entry i becomes the lowest byte (blue) of word i, byte 1 green, byte 2 red.
// Returns 1 when the file cannot be opened, 2 otherwise; entries past a short file's end
// keep what they held.
int loadPaletteFile(const std::string& fileName, ColourTable& table);
void paletteFromBytes(const uint8_t* data, size_t size, ColourTable& table);

// As loadPaletteFile into a new table; on failure `out` is left as it was.
int loadColourTable(const std::string& fileName, std::unique_ptr<ColourTable>& out);

// Loads "palette/<name>" into the list unless a palette of that exact name is there already
// (then 0). Returns the new count. A file that cannot be loaded ends the program.
int addNamedPalette(PaletteList& list, const std::string& name);
const Palette* findPalette(const PaletteList& list, const std::string& name);

// The indexed picture's shape with the palette file's colours; its own colour map is not used.
// A file that cannot be loaded ends the program.
void recolourIndexed(Image32& dst, const std::string& indexedFile, const std::string& paletteFile);

void indexedToImage32(Image32& dst, const Image8& src, const ColourTable& table);

} // namespace picture
