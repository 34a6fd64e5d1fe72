#include "picture/resource_lists.h"

#include "platform/message_box.h"

namespace picture {

namespace {

LoadedImage32* find(const std::vector<std::unique_ptr<LoadedImage32>>& list,
                    const std::string& name) {
    for (const auto& image : list)
        if (image->fileName == name) return image.get();
    return nullptr;
}

// Loads the image from the folder or ends the program with the image's own box.
std::unique_ptr<LoadedImage32> loadOrExit(const std::string& folder, const std::string& name,
                                          bool texture) {
    auto image = std::make_unique<LoadedImage32>();
    LoadResult r = image->loadFrom(folder, name);
    // The tiled copy reads exactly 256 x 256 texels: any other size is refused.
    if (r == kLoaded && texture && !image->buildTiledCopy()) r = kNotTexture;
    if (r != kLoaded) {
        image->reportLoadError(r);
        platform::fatalExit(-1);
    }
    return image;
}

} // namespace

int addPalette(ResourceLists& lists, const std::string& name) {
    return addNamedPalette(lists.palettes, name);
}

int addImage(ResourceLists& lists, const std::string& name) {
    if (!find(lists.images, name)) lists.images.push_back(loadOrExit("image", name, false));
    return 0;
}

void addTexture(ResourceLists& lists, const std::string& name) {
    if (!find(lists.textures, name)) lists.textures.push_back(loadOrExit("texture", name, true));
}

const Palette* findPalette(const ResourceLists& lists, const std::string& name) {
    return findPalette(lists.palettes, name);
}
LoadedImage32* findImage(const ResourceLists& lists, const std::string& name) {
    return find(lists.images, name);
}
LoadedImage32* findTexture(const ResourceLists& lists, const std::string& name) {
    return find(lists.textures, name);
}

} // namespace picture
