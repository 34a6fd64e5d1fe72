#include "parts/part.h"
#include "parts/part1.h"
#include "parts/part8.h"

namespace parts {

std::array<std::unique_ptr<DemoPart>, 8> buildParts() {
    std::array<std::unique_ptr<DemoPart>, 8> p;
    p[0] = std::make_unique<Part1>();
    p[7] = std::make_unique<Part8>(static_cast<Part1&>(*p[0]));
    return p;
}

} // namespace parts
