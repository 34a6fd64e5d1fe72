#pragma once
// The window procedure, the frame function and the main loop.
#include "app/app_state.h"
#include <memory>
#include <string>

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

// Runs the loop until quit, or until a developer key asks for a replay from the start
// (app.replayToSeconds set); the exit code of the quit message.
int runMainLoop(App& app);

// The whole show again from its start, on the same host, reached unseen up to the old
// one's replayToSeconds; buildParts makes the parts.
std::unique_ptr<App> replayFromStart(std::unique_ptr<App> old, void (*buildParts)(App&));

// True once a seek to `target` is over: the part has begun, or the music reached the time.
bool seekReached(App& app, const StartAt& target);
// From now on frames run unseen in virtual time until the target; then a run in real time
// goes on in real time, the music from the position reached.
void beginSeek(App& app, const StartAt& target);
void endSeek(App& app);

// The 512 x 256 picture on screen as PNG, into --shots or the folder above data; the path
// written, empty when nothing was.
std::string takeScreenshot(App& app);

} // namespace app
