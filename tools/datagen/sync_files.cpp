#include "tools/datagen/sync_files.h"

#include <cmath>

namespace datagen {

namespace {

using Events = std::vector<sound::SyncEvent>;

class Builder {
  public:
    explicit Builder(const Score& s) : score_(s) {}

    sound::SyncEvent at(double beat, int value, int duration) const {
        return {writers::syncTime(score_.seconds(beat)), static_cast<uint8_t>(value),
                static_cast<uint8_t>(duration)};
    }
    // One event on each note of a voice between two times in seconds, every `every`th one.
    Events on(Voice voice, double fromSeconds, double toSeconds, int value, int duration,
              int every = 1) const {
        Events out;
        int k = 0;
        for (const Note& n : score_.hits(voice, beat(fromSeconds), beat(toSeconds)))
            if (k++ % every == 0) out.push_back(at(n.beat, value, duration));
        return out;
    }
    // Events at given beats, each of which must carry a note of the voice.
    Events atBeats(Voice voice, const std::vector<double>& beats, int value, int duration) const {
        Events out;
        for (double b : beats) {
            if (score_.hits(voice, b, b + 1e-6).empty())
                continue; // only where the listener hears it
            out.push_back(at(b, value, duration));
        }
        return out;
    }
    double beat(double seconds) const { return seconds * score_.bpm / 60.0; }

  private:
    const Score& score_;
};

Events join(Events a, const Events& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

std::vector<SyncFile> makeSyncFiles(const Score& score) {
    Builder b(score);
    std::vector<SyncFile> files;

    // "other/s0", parts 1 and 2.
    {
        SyncFile f{"other/s0", {}};
        // 0: snares, 4 .. 45 s: part 1's three-block beat (148).
        f.channels.push_back(b.on(Voice::Snare, 4.0, 45.0, 148, 4));
        // 1: the five-block beat (255) on every bar's first kick from 6 s to 45 s.
        f.channels.push_back(b.on(Voice::Kick, 6.0, 45.0, 255, 6, 4));
        // 2: once, on the soft crash at 0.5 s: every box lit from the camera, which shows
        // only while the bouncing light still flies (its first 2 s).
        f.channels.push_back(b.atBeats(Voice::Crash, {1}, 255, 8));
        // 3: two in part 1, then the stabs of part 2 (indices 2 .. 18 inside 55 .. 84 s).
        f.channels.push_back(
            join(b.atBeats(Voice::Crash, {8, 72}, 255, 3), b.on(Voice::Stab, 55.0, 82.0, 255, 3)));
        // 4: part 2's ghosting flash on its crashes, the first one early in the part.
        f.channels.push_back(b.atBeats(Voice::Crash, {114, 128, 144, 160}, 255, 4));
        files.push_back(std::move(f));
    }
    // "other/s3", part 3: 84 .. 114 s.
    {
        SyncFile f{"other/s3", {}};
        // 0: the broken kicks move the camera; every fourth one is strong (235): debris.
        Events kicks = b.on(Voice::Kick, 84.0, 114.0, 160, 5);
        for (size_t i = 0; i < kicks.size(); ++i)
            if (i % 4 == 0) kicks[i].value = 235;
        f.channels.push_back(kicks);
        // 1: the claps every third beat: echoes; the 20th, at 114 s, ends the part.
        f.channels.push_back(b.on(Voice::Clap, 84.0, 116.0, 235, 3));
        // 2: the crashes: the fountains' phases jump.
        f.channels.push_back(b.atBeats(Voice::Crash, {176, 196, 216}, 255, 2));
        files.push_back(std::move(f));
    }
    // "other/s4", parts 4 to 6: 114 .. 204 s.
    {
        SyncFile f{"other/s4", {}};
        // 0: crashes and section starts; index 2 ends part 4 (139 s), 6 ends part 5 (174 s),
        // the last ends part 6 (204 s). Moderate values: the view zooms by them.
        const std::vector<double> beats = {236, 256, 278, 292, 308, 328, 348, 356, 372, 388, 408};
        Events zoom = b.atBeats(Voice::Crash, beats, 0, 6);
        const int values[] = {70, 90, 110, 80, 100, 120, 90, 60, 100, 80, 110};
        for (size_t i = 0; i < zoom.size(); ++i)
            zoom[i].value = static_cast<uint8_t>(values[i]);
        f.channels.push_back(zoom);
        // 1: every kick from the start of part 4 to the end of part 6 (241).
        f.channels.push_back(b.on(Voice::Kick, 114.0, 204.0, 241, 2));
        files.push_back(std::move(f));
    }
    // "other/s7", parts 7 and 8: 204 s to the end.
    {
        SyncFile f{"other/s7", {}};
        // 0: credits: index 0 at the start of part 7, 1 .. 3 over it, 4 at its end (244 s),
        // one more after it.
        // part 7 takes the file at 204 s, so index 0 is the snare just after.
        f.channels.push_back(join(b.atBeats(Voice::Snare, {409}, 255, 4),
                                  b.atBeats(Voice::Crash, {420, 440, 460, 488, 504}, 255, 4)));
        // 1: part 7's snares (255), part 8's snares (200).
        f.channels.push_back(join(b.on(Voice::Snare, 204.0, 243.0, 255, 3, 2),
                                  b.on(Voice::Snare, 244.0, 270.0, 200, 3)));
        // 2: the fade to the closing image, and its end 10 s later.
        f.channels.push_back(b.atBeats(Voice::Crash, {504, 520}, 255, 4));
        files.push_back(std::move(f));
    }
    return files;
}

} // namespace datagen
