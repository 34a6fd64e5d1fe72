#pragma once
// A report of the timeline for people: every sync event with its time, channel, value and
// the part it falls in, and a picture of the channels over the waveform.
#include <string>
#include <vector>

#include "tools/datagen/score.h"
#include "tools/datagen/sync_files.h"

namespace datagen {

// The part that runs at a time of music, by the score's sections (part 1 for the opening).
int partAt(const Score& score, double seconds);

std::string timelineText(const Score& score, const std::vector<SyncFile>& files);
bool writeTimelinePlot(const std::string& path, const Score& score,
                       const std::vector<SyncFile>& files, const std::vector<int16_t>& pcm);

} // namespace datagen
