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

// What loadPaletteFile gives.
enum PaletteResult : int {
    kPaletteMissing = 1, // the file cannot be opened
    kPaletteLoaded = 2,
    kPaletteWrongSize = 3, // not the 768 bytes of a palette: cut short or something else
};
constexpr size_t kPaletteBytes = 768;
// The text for a failed result, for the messages.
const char* paletteProblem(int result);

// Byte 0 of entry i becomes the lowest byte (blue) of word i, byte 1 green, byte 2 red.
// A file of any other length than 768 bytes is refused and the table left as it was.
int loadPaletteFile(const std::string& fileName, ColourTable& table);
// The bytes of a palette file; false, changing nothing, unless there are exactly 768.
bool paletteFromBytes(const uint8_t* data, size_t size, ColourTable& table);

// As loadPaletteFile into a new table; on failure `out` is left as it was and a line on
// stderr names the file (the callers play on without it).
int loadColourTable(const std::string& fileName, std::unique_ptr<ColourTable>& out);

// Loads "palette/<name>" into the list unless a palette of that exact name is there already
// (then 0). Returns the new count. A file that cannot be loaded ends the program, naming
// the file and what is wrong.
int addNamedPalette(PaletteList& list, const std::string& name);
const Palette* findPalette(const PaletteList& list, const std::string& name);

// The indexed picture's shape with the palette file's colours; its own colour map is not used.
// A file that cannot be loaded ends the program.
void recolourIndexed(Image32& dst, const std::string& indexedFile, const std::string& paletteFile);

void indexedToImage32(Image32& dst, const Image8& src, const ColourTable& table);

} // namespace picture
