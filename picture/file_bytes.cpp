#include "picture/file_bytes.h"

#include <cstdio>

namespace picture {

bool readFileBytes(const std::string& path, std::vector<uint8_t>& out) {
    out.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && static_cast<unsigned long>(size) <= kMaxFileBytes &&
         std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out.resize(static_cast<size_t>(size));
        ok = size == 0 || std::fread(out.data(), 1, out.size(), f) == out.size();
    }
    std::fclose(f);
    if (!ok) out.clear();
    return ok;
}

void warnPlayingOn(const std::string& file, const std::string& problem) {
    std::fprintf(stderr, "demo: %s: %s; the show plays on\n", file.c_str(), problem.c_str());
}

} // namespace picture
