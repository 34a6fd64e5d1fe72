#include "sound/demo_context.h"

#include <algorithm>

#include <cstdio>
#include <vector>

#include "platform/clock.h"
#include "platform/message_box.h"

namespace sound {

namespace {

bool readBytes(const std::string& path, std::vector<uint8_t>& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    uint8_t buffer[4096];
    size_t n = 0;
    // Sync files are small; anything past the largest file the limits allow is not read.
    constexpr size_t kLimit = 4 + kSyncEntries * (4 + kSyncChannels * (4 + kSyncEvents * 12));
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && out.size() <= kLimit)
        out.insert(out.end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

} // namespace

void initialiseDemoContext(DemoContext& context, const SoundOptions& options) {
    context.partNumber = 1;
    context.loadingPhase = 1;
    allocateSyncTable(context);
    readSyncFile(context, "other/s0");
    std::string error;
    if (!openSoundtrack(context, "../vantrel.mp3", options.withDevice, error)) {
        // The production's text; for a file that is there but unusable, what is wrong with it.
        const bool missing = error.rfind("cannot open", 0) == 0;
        platform::messageBox("global", missing ? std::string("Can't load 'vantrel.mp3")
                                               : "Can't load 'vantrel.mp3 (" + error + ")");
        platform::fatalExit(-1);
    }
}

bool openSoundtrack(DemoContext& context, const std::string& fileName, bool withDevice,
                    std::string& error) {
    context.stream = platform::openMp3Stream(fileName, withDevice, error);
    return context.stream != nullptr;
}

void startMusic(DemoContext& context) {
    if (context.stream) context.stream->play();
    resetSyncCursors(context, 0);
    context.musicStartTick = platform::tickCount();
}

void allocateSyncTable(DemoContext& context) {
    // The table in hand is emptied rather than replaced: a fresh 800 KB costs its pages again,
    // milliseconds on the first frame of the part that asks for it.
    if (context.syncTable)
        std::fill(context.syncTable->entries.begin(), context.syncTable->entries.end(),
                  SyncEntry{});
    else
        context.syncTable = std::make_unique<SyncTable>();
    context.entryCount = 0;
}

void readSyncFile(DemoContext& context, const std::string& fileName) {
    if (!context.syncTable) allocateSyncTable(context);
    std::vector<uint8_t> bytes;
    if (!readBytes(fileName, bytes)) {
        platform::messageBox("sync Info", "Can't load " + fileName + " !");
        platform::fatalExit(-1);
    }
    const SyncParse r =
        parseSyncFile(bytes.data(), bytes.size(), *context.syncTable, context.entryCount);
    if (!r.ok) {
        platform::messageBox("sync Info", fileName + ": " + r.problem);
        platform::fatalExit(-1);
    }
}

std::string syncFileProblem(const std::string& fileName) {
    std::vector<uint8_t> bytes;
    if (!readBytes(fileName, bytes)) return "Can't load " + fileName + " !";
    auto scratch = std::make_unique<SyncTable>();
    int32_t entries = 0;
    const SyncParse r = parseSyncFile(bytes.data(), bytes.size(), *scratch, entries);
    return r.ok ? std::string() : fileName + ": " + r.problem;
}

void checkSyncFile(const std::string& fileName) {
    if (const std::string problem = syncFileProblem(fileName); !problem.empty()) {
        platform::messageBox("sync Info", problem);
        platform::fatalExit(-1);
    }
}

void resetSyncCursors(DemoContext& context, int entry) {
    if (!context.syncTable || entry < 0 || entry >= kSyncEntries) return;
    SyncEntry& e = context.syncTable->entries[static_cast<size_t>(entry)];
    for (size_t c = 0; c < kSyncChannels; ++c) {
        e.cursors[c] = -1;
        for (int32_t k = 0; k < e.eventCounts[c]; ++k)
            if (e.events[c][static_cast<size_t>(k)].time > context.position) {
                e.cursors[c] = k;
                break;
            }
    }
}

void updateSync(DemoContext& context, int32_t out[kSyncChannels], int entry) {
    if (context.stream) context.position = static_cast<uint32_t>(context.stream->position());
    Envelopes& env = context.envelopes;
    SyncEntry* e = context.syncTable && entry >= 0 && entry < kSyncEntries
                       ? &context.syncTable->entries[static_cast<size_t>(entry)]
                       : nullptr;
    for (size_t c = 0; c < kSyncChannels; ++c) {
        if (env.counters[c] != 0) {
            --env.counters[c];
            env.values[c] -= env.steps[c];
        }
        if (e && e->cursors[c] != -1 && e->eventCounts[c] != 0) {
            const SyncEvent& ev = e->events[c][static_cast<size_t>(e->cursors[c])];
            if (ev.time < context.position) {
                e->cursors[c] = e->cursors[c] + 1 < e->eventCounts[c] ? e->cursors[c] + 1 : -1;
                env.values[c] = static_cast<float>(ev.value);
                env.counters[c] = ev.duration;
                // Duration 0: the value holds until the channel's next event.
                env.steps[c] = ev.duration
                                   ? static_cast<float>(ev.value) / static_cast<float>(ev.duration)
                                   : 0.0f;
            }
        }
        out[c] = static_cast<int32_t>(env.values[c]);
    }
}

} // namespace sound
