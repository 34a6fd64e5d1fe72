#pragma once
// The production's message boxes and fatal exits, routed to the current host.
#include <string>

namespace platform {

class Host;

// The host that shows boxes; without one, boxes are only a line on stderr.
void setMessageBoxHost(Host* host);
void messageBox(const std::string& caption, const std::string& text);
// Fuzzing: boxes are dropped without a word.
void setMessageBoxQuiet(bool quiet);

// Ends the process the way the production does after a failed load.
[[noreturn]] void fatalExit(int code);

} // namespace platform
