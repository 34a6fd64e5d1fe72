#include "parts/part.h"
#include "parts/part1.h"
#include "parts/part2.h"
#include "parts/part3.h"

namespace parts {

std::array<std::unique_ptr<DemoPart>, 8> buildParts() {
    auto city = std::make_unique<Part1>();
    auto machine = std::make_unique<Part2>(*city); // the walkers, their flare and camera
    auto doors = std::make_unique<Part3>(*machine); // the machine's scene
    std::array<std::unique_ptr<DemoPart>, 8> p;
    p[0] = std::move(city);
    p[1] = std::move(machine);
    p[2] = std::move(doors);
    return p;
}

} // namespace parts
