#pragma once
// The run's shared state: the part number and the loading phase that several subsystems
// write. The soundtrack and the sync table join it with the music player.
#include <cstdint>

namespace sound {

struct DemoContext {
    int32_t partNumber = 1;
    // 1: the loading screen is still to be shown; 2: load all parts on the next pass of the
    // main loop; 0: loaded, the parts run.
    int32_t loadingPhase = 1;
    uint32_t musicStartTick = 0;
};

} // namespace sound
