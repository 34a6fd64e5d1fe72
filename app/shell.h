#pragma once
// The window procedure, the frame function and the main loop.
#include "app/app_state.h"
#include "platform/messages.h"

namespace app {

void handleMessage(App& app, const platform::Message& message);

// Produces one frame: lock, draw the current screen, convert, unlock, present.
void frameFunction(App& app);

// One pass of the main loop. Returns false once the quit message was handled, with its
// exit code in exitCode.
bool mainLoopPass(App& app, int& exitCode);

// Start-up after the window exists: desktop capture, display, random seed, initialisation.
// False when the window is gone again (a display failure) or initialisation failed.
bool startUp(App& app);

// Runs the loop until quit; the exit code of the quit message.
int runMainLoop(App& app);


} // namespace app
