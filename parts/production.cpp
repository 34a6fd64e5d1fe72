#include "parts/part.h"
#include "parts/part1.h"
#include "parts/part4.h"

namespace parts {

std::array<std::unique_ptr<DemoPart>, 8> buildParts() {
    std::array<std::unique_ptr<DemoPart>, 8> p;
    p[0] = std::make_unique<Part1>();
    // Until part 3 is here, the tunnel fades in from black.
    p[3] = std::make_unique<Part4>(Part4::SceneUnderneath{});
    return p;
}

} // namespace parts
