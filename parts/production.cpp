#include "parts/part.h"
#include "parts/part1.h"
#include "parts/part2.h"
#include "parts/part3.h"
#include "parts/part4.h"
#include "parts/part5.h"
#include "parts/part6.h"
#include "parts/part7.h"
#include "parts/part8.h"

namespace parts {

std::array<std::unique_ptr<DemoPart>, 8> buildParts() {
    auto city = std::make_unique<Part1>();
    auto machine = std::make_unique<Part2>(*city);  // the walkers, their flare and camera
    auto doors = std::make_unique<Part3>(*machine); // the machine's scene
    // The tunnel fades in over the doors' scene, fountains and debris, still running.
    auto tunnel = std::make_unique<Part4>(
        [&d = *doors](picture::Image32& target) { d.drawUnderlay(target); });
    auto credits = std::make_unique<Part7>(*city); // part 1's flare
    auto closing = std::make_unique<Part8>(*city); // part 1's flare
    std::array<std::unique_ptr<DemoPart>, 8> p;
    p[0] = std::move(city);
    p[1] = std::move(machine);
    p[2] = std::move(doors);
    p[3] = std::move(tunnel);
    p[4] = std::make_unique<Part5>();
    p[5] = std::make_unique<Part6>();
    p[6] = std::move(credits);
    p[7] = std::move(closing);
    return p;
}

} // namespace parts
