#pragma once
// The screens the frame function chooses between, besides the launcher.
#include "app/app_state.h"

namespace app {

// Creates Framebuffer32 and keeps the address of its own pixel block.
void initLoadingScreen(App& app);
// Draws the loading screen once and asks the main loop to load all parts.
void drawLoadingScreen(App& app);

void loadAllParts(App& app, int width, int height);
// Runs part partNumber; a number without a part runs nothing.
void runCurrentPart(App& app);
void freeAllParts(App& app);

} // namespace app
