#pragma once
// `demo --check-data`: reads every file of the production with the production's own readers
// and lists every problem at once, instead of stopping at the first as a run does.
#include <string>
#include <vector>

namespace app {

struct DataProblem {
    std::string file;    // relative to the data folder
    std::string problem; // what is wrong
    bool fatal = true;   // false where the show plays on without the file
};

// Checks the production whose data folder is the current folder (the soundtrack and the
// information text one folder up): the files the built parts name, the textures and palettes
// their scene descriptions name, and every other file of the data folder by its kind.
// `checked` counts the files read.
std::vector<DataProblem> checkProductionData(int& checked);

// True when the command line asks for the check.
bool dataCheckRequested(int argc, const char* const* argv);
// Runs the check in the data folder beside the executable (or --data DIR) and prints one line
// per problem; exit code 0 when every file is sound, 1 otherwise.
int runDataCheck(int argc, const char* const* argv);

} // namespace app
