#pragma once
// The four sync files, made from the score: every event sits on a note of it.
#include <string>
#include <vector>

#include "tools/datagen/score.h"
#include "tools/writers/sync_writer.h"

namespace datagen {

struct SyncFile {
    std::string name; // "other/s0"
    writers::SyncChannels channels;
};

std::vector<SyncFile> makeSyncFiles(const Score& score);

} // namespace datagen
