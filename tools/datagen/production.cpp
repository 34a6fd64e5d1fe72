#include "tools/datagen/production.h"

#include <cstdio>

#include "tools/writers/image_writers.h"

namespace datagen {

bool Production::write(const std::string& relative, const std::vector<uint8_t>& bytes) {
    const std::filesystem::path path = root_ / relative;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec || !writers::writeBytes(path.string(), bytes)) {
        std::fprintf(stderr, "datagen: cannot write %s\n", path.string().c_str());
        ok_ = false;
        return false;
    }
    return true;
}

bool Production::writeText(const std::string& relative, const std::string& text) {
    return write(relative, std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace datagen
