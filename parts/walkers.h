#pragma once
// The city's walkers: small lights hopping from crossing to crossing of a 16 x 16 street grid,
// later spiralling up into the sky, drawn as depth-tested flares. Part 1 sets them loose;
// part 2 keeps them wandering over its own scene.
#include <array>
#include <cstdint>
#include <vector>

#include "picture/image32.h"
#include "scene3d/scene.h"

namespace parts {

struct Walker {
    int fromColumn = 7, fromRow = 7, toColumn = 7, toRow = 7;
    scene3d::Point3f from, to;
    float progress = 1, speed = 0, boost = 0, boostDecay = 0, hop = 0, hopDecay = 0, flash = 0,
          second = 0, secondDecay = 0;
    bool active = true;
    // The sky phase.
    int path = 0;
    float pathIndex = 0, pathSpeed = 0, blend = 0, growth = 1;
    std::array<float, 3> wobbleRate{};
    bool wobbling = false;
    uint32_t wobbleStart = 0;
    float vanish = 0;
    scene3d::Point3f position;
};

// A block (i, j): the square between crossings i, i + 1 and j, j + 1.
struct Block {
    int column = 0, row = 0;
};

struct WalkerSwarm {
    std::array<scene3d::Point3f, 256> streets{}; // crossing i + 16 j
    std::vector<Walker> walkers;
    std::array<std::vector<scene3d::Point3f>, 5> skyPaths;
    bool inSky = false; // the sky paths are made and every walker follows one
};

// The crossings and `count` walkers at crossing (7, 7), with their random speeds and decays.
void setUpSwarm(WalkerSwarm& swarm, int count);

// A hop to a neighbouring crossing in column or row, inside the grid.
void chooseNextCrossing(const WalkerSwarm& swarm, Walker& w);
void streetStep(const WalkerSwarm& swarm, Walker& w, float fps);
// True when the walker's current street, either way, is a side of the block.
bool around(const Walker& w, Block b);

// Five spirals from the first five walkers up into the sky; every walker picks one.
void makeSkyPaths(WalkerSwarm& swarm);
void skyStep(const WalkerSwarm& swarm, Walker& w, float fps, uint32_t now);

// Every walker moved (on the streets, or towards the sky once the paths are made).
void moveSwarm(WalkerSwarm& swarm, float fps, uint32_t now);
void drawWalker(const Walker& w, const scene3d::SceneCamera& camera, const picture::Image32& flare,
                picture::Image32& target, const int32_t* depth);

} // namespace parts
