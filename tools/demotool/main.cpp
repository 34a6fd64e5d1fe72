// Developer tools, one subcommand each.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture/image32.h"
#include "picture/image8.h"
#include "tools/writers/image_writers.h"

namespace {

int usage() {
    std::fputs("usage: demotool picture IN OUT.png [--indexed]\n"
               "  picture   read IN with the production's readers and write it as PNG\n",
               stderr);
    return 2;
}

// Reads a picture as the production would and writes it out as PNG.
int pictureCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "--indexed")) return usage();
    const bool indexed = args.size() == 3;
    std::vector<uint32_t> rgb;
    int width = 0, height = 0;
    picture::LoadResult result;
    if (indexed) {
        picture::Image8 image;
        result = image.load(args[0]);
        std::printf("%s: %d x %d, load result %d\n", args[0].c_str(), image.width, image.height, result);
        if (result != picture::kLoaded) {
            image.reportLoadError(result);
            return 1;
        }
        width = image.width, height = image.height;
        for (size_t i = 0; i < image.pixelCount(); ++i) rgb.push_back(image.palette[image.indices[i]]);
    } else {
        picture::LoadedImage32 image;
        result = image.load(args[0]);
        std::printf("%s: %d x %d, load result %d\n", args[0].c_str(), image.width, image.height, result);
        if (result != picture::kLoaded) {
            image.reportLoadError(result);
            return 1;
        }
        width = image.width, height = image.height;
        rgb.assign(image.pixels, image.pixels + image.pixelCount());
    }
    if (!writers::writePngImage(args[1], rgb.data(), width, height)) {
        std::fprintf(stderr, "cannot write %s\n", args[1].c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "picture") return pictureCommand(args);
    return usage();
}
