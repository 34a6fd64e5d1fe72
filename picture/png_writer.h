#pragma once
#include <cstdint>
#include <string>

namespace picture {

// Writes 8-bit RGB triples, rows top first, as a PNG file.
bool writePng(const std::string& path, const uint8_t* rgb, int width, int height);

} // namespace picture
