#include "parts/part.h"
#include "parts/part1.h"
#include "parts/part4.h"
#include "parts/part7.h"

namespace parts {

std::array<std::unique_ptr<DemoPart>, 8> buildParts() {
    std::array<std::unique_ptr<DemoPart>, 8> p;
    auto city = std::make_unique<Part1>();
    Part1& cityRef = *city;
    p[0] = std::move(city);
    // Until part 3 is here, the tunnel fades in from black.
    p[3] = std::make_unique<Part4>(Part4::SceneUnderneath{});
    p[6] = std::make_unique<Part7>(cityRef);
    return p;
}

} // namespace parts
