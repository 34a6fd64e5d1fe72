#pragma once
// The run's shared state: the soundtrack, the sync table and envelopes, the part number, the
// loading phase and (with the resource lists) what several subsystems write.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio_stream.h"
#include "sound/sync_track.h"

namespace sound {

struct DemoContext {
    std::unique_ptr<platform::AudioStream> stream;
    std::unique_ptr<SyncTable> syncTable;
    int32_t entryCount = 0;
    uint32_t position = 0; // at the last sync update, bytes of decoded audio (low 32 bits)
    Envelopes envelopes;
    int32_t partNumber = 1;
    uint32_t musicStartTick = 0;
    // 1: the loading screen is still to be shown; 2: load all parts on the next pass of the
    // main loop; 0: loaded, the parts run.
    int32_t loadingPhase = 1;
};

struct SoundOptions {
    bool withDevice = true; // false: the soundtrack plays silently, its position on the clock
};

// Part number 1, loading phase 1, a fresh sync table with "other/s0", the soundtrack
// "../vantrel.mp3". A file that cannot be read ends the program with its box.
void initialiseDemoContext(DemoContext& context, const SoundOptions& options);

// Opens the soundtrack; false when it is missing or cannot be decoded.
bool openSoundtrack(DemoContext& context, const std::string& fileName, bool withDevice,
                    std::string& error);

// Plays the soundtrack, resets the cursors of entry 0 against position 0 and notes the tick.
void startMusic(DemoContext& context);

// A fresh table: 100 empty entries; the entry count becomes 0.
void allocateSyncTable(DemoContext& context);
// Reads a sync file into the current table. A missing or refused file ends the program.
void readSyncFile(DemoContext& context, const std::string& fileName);
// Reads a sync file into a scratch table: a missing or refused file ends the program as
// readSyncFile does, a sound one changes nothing.
void checkSyncFile(const std::string& fileName);
// What is wrong with a sync file, or empty when it is sound (for a list of problems).
std::string syncFileProblem(const std::string& fileName);
// Each channel's cursor: the first event later than the current position, -1 if none.
void resetSyncCursors(DemoContext& context, int entry);
// Reads the soundtrack position, fires at most one due event per channel and writes the five
// envelope values.
void updateSync(DemoContext& context, int32_t out[kSyncChannels], int entry);

} // namespace sound
