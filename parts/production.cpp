#include "parts/part.h"
#include "parts/part1.h"
#include "parts/part5.h"
#include "parts/part6.h"

namespace parts {

std::array<std::unique_ptr<DemoPart>, 8> buildParts() {
    std::array<std::unique_ptr<DemoPart>, 8> p;
    p[0] = std::make_unique<Part1>();
    p[4] = std::make_unique<Part5>();
    p[5] = std::make_unique<Part6>();
    return p;
}

} // namespace parts
