#pragma once
// The images, textures and palettes that the parts and the launcher share by file name. An
// add loads the file from its kind's folder unless that exact name (case counts) is there
// already; a file that cannot be loaded ends the program with its loader's box.
#include <memory>
#include <string>
#include <vector>

#include "picture/image32.h"
#include "picture/palette.h"

namespace picture {

struct ResourceLists {
    PaletteList palettes;                                 // from "palette"
    std::vector<std::unique_ptr<LoadedImage32>> images;   // from "image"
    std::vector<std::unique_ptr<LoadedImage32>> textures; // from "texture", with their tiled copies
};

// The new count when loaded, 0 when the name was there.
int addPalette(ResourceLists& lists, const std::string& name);
// 0 in both cases, as the production's callers expect.
int addImage(ResourceLists& lists, const std::string& name);
void addTexture(ResourceLists& lists, const std::string& name);

const Palette* findPalette(const ResourceLists& lists, const std::string& name);
LoadedImage32* findImage(const ResourceLists& lists, const std::string& name);
LoadedImage32* findTexture(const ResourceLists& lists, const std::string& name);

} // namespace picture
