#pragma once

namespace app {

// The program: command line, start-up, main loop. Returns the process exit code.
int runEntry(int argc, const char* const* argv);

} // namespace app
