#include "parts/part.h"
#include "parts/part1.h"

namespace parts {

std::array<std::unique_ptr<DemoPart>, 8> buildParts() {
    std::array<std::unique_ptr<DemoPart>, 8> p;
    p[0] = std::make_unique<Part1>();
    return p;
}

} // namespace parts
