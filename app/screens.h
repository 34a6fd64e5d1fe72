#pragma once
// The loading screen and the part sequencer.
#include <cstdint>

#include "app/app_state.h"

namespace app {

// Creates Framebuffer32, keeps the address of its own pixel block and loads the four loading
// pictures (a missing one draws nothing).
void initLoadingScreen(App& app);
// Clears all 384 rows of the locked surface, draws the pictures into Framebuffer32 and asks
// the main loop to load all parts.
void drawLoadingScreen(App& app, uint8_t* surface);

// Loads parts 1 to 8 in order; runs part partNumber (any other number runs nothing); frees
// them in order at quit.
void loadAllParts(App& app, int width, int height);
void runCurrentPart(App& app);
void freeAllParts(App& app);

} // namespace app
