#include "tools/datagen/score.h"

#include <algorithm>
#include <array>

namespace datagen {

namespace {

// A minor, chords as MIDI roots with their tones.
struct Chord {
    int root;                 // bass note
    std::array<int, 4> tones; // pad and arpeggio notes
};

constexpr Chord Am{45, {57, 60, 64, 69}};
constexpr Chord F{41, {57, 60, 65, 69}};
constexpr Chord C{48, {55, 60, 64, 67}};
constexpr Chord G{43, {55, 59, 62, 67}};
constexpr Chord Dm{50, {57, 62, 65, 69}};
constexpr Chord Em{40, {55, 59, 64, 67}};
constexpr Chord E{40, {56, 59, 64, 68}};

class Composer {
  public:
    Score score;

    void add(double beat, double length, Voice v, int pitch, float velocity) {
        score.notes.push_back({beat, length, v, pitch, velocity});
    }
    void section(const char* name, int part, double from, double to) {
        score.sections.push_back({name, part, from, to});
    }

    // One chord per bar from `from` to `to`, cycling through the progression.
    template <size_t N>
    void chords(double from, double to, const std::array<Chord, N>& progression, bool pad, int bass,
                int arp, bool lead) {
        int bar = 0;
        for (double b = from; b < to; b += 4, ++bar) {
            const Chord& c = progression[static_cast<size_t>(bar) % N];
            const double len = std::min(4.0, to - b);
            if (pad)
                for (int t : c.tones)
                    add(b, len, Voice::Pad, t, 0.5f);
            // Bass: 0 none, 1 on the beat, 2 off-beat eighths, 3 rolling sixteenths.
            for (double s = 0; s < len && bass; s += bass == 3 ? 0.25 : 0.5) {
                if (bass == 1 && s != static_cast<int>(s)) continue;
                if (bass == 2 && s == static_cast<int>(s)) continue;
                const int octave = bass == 3 && static_cast<int>(s * 4) % 4 == 2 ? 12 : 0;
                add(b + s, bass == 3 ? 0.22 : 0.45, Voice::Bass, c.root + octave,
                    bass == 3 ? 0.8f : 0.9f);
            }
            // Arpeggio: 1 eighths up, 2 sixteenths up and down.
            if (arp) {
                static constexpr int pattern[8] = {0, 1, 2, 3, 2, 1, 2, 3};
                const double step = arp == 2 ? 0.25 : 0.5;
                int k = 0;
                for (double s = 0; s < len; s += step, ++k)
                    add(b + s, step * 0.9, Voice::Arp,
                        c.tones[static_cast<size_t>(pattern[k % 8])] + 12,
                        k % 4 == 0 ? 0.8f : 0.55f);
            }
            if (lead) {
                // A simple line over the chord: tones held, with a step at the end of the bar.
                add(b, 1.5, Voice::Lead, c.tones[3] + 12, 0.7f);
                add(b + 1.5, 0.5, Voice::Lead, c.tones[2] + 12, 0.6f);
                add(b + 2, 1.5, Voice::Lead, c.tones[bar % 2 ? 1 : 3] + 12, 0.65f);
                add(b + 3.5, 0.5, Voice::Lead, c.tones[2] + 12, 0.55f);
            }
        }
    }

    // Drums: kick on every beat (four) or on 1 and 3 and the "and" of 2 (broken); snare on 2
    // and 4; hats on the off-beats (or every sixteenth when busy).
    void drums(double from, double to, bool four, bool snare, int hats, float kickVelocity = 1.0f) {
        for (double b = from; b < to; b += 1) {
            const int inBar = static_cast<int>(b - from) % 4;
            if (four || inBar == 0 || inBar == 2) add(b, 0.5, Voice::Kick, 36, kickVelocity);
            if (!four && inBar == 1) add(b + 0.5, 0.5, Voice::Kick, 36, kickVelocity * 0.8f);
            if (snare && (inBar == 1 || inBar == 3)) add(b, 0.5, Voice::Snare, 38, 0.9f);
            if (hats == 1) add(b + 0.5, 0.25, Voice::HatClosed, 42, 0.5f);
            if (hats == 2)
                for (int q = 0; q < 4; ++q)
                    add(b + q * 0.25, 0.2, q == 2 ? Voice::HatOpen : Voice::HatClosed, 42,
                        q % 2 ? 0.35f : 0.5f);
        }
    }

    void crash(double beat, float velocity = 1.0f) { add(beat, 4, Voice::Crash, 49, velocity); }

    // A snare roll that speeds up into `to`, and a rising tom run: the build into a new part.
    void build(double from, double to) {
        for (double b = from; b < to; b += (b < to - 4 ? 0.5 : 0.25))
            add(b, 0.25, Voice::Snare, 38,
                0.4f + 0.5f * static_cast<float>((b - from) / (to - from)));
        int pitch = 45;
        for (double b = to - 2; b < to; b += 0.5, pitch += 3)
            add(b, 0.5, Voice::Tom, pitch, 0.8f);
    }
};

} // namespace

std::vector<Note> Score::hits(Voice voice, double fromBeat, double toBeat) const {
    std::vector<Note> out;
    for (const Note& n : notes)
        if (n.voice == voice && n.beat >= fromBeat && n.beat < toBeat) out.push_back(n);
    std::sort(out.begin(), out.end(), [](const Note& a, const Note& b) { return a.beat < b.beat; });
    return out;
}

// 120 beats a minute: a beat is half a second, and the parts that end on time (55 s and 84 s)
// end on beats 110 and 168.
Score composeScore() {
    Composer c;
    c.score.bpm = 120.0;
    const std::array<Chord, 4> dark{Am, F, C, G}, lift{F, G, Am, Am}, drive{Am, Dm, Em, Am},
        tense{Dm, Am, E, E}, open{C, G, Am, F};

    // part 1, 0 .. 55 s: pads alone, then the beat comes in at 4 s; a build from 45 s and
    // no strong beats from 45 to 55 s (the rise begins at 49 s).
    c.section("city", 1, 0, 110);
    c.chords(0, 110, dark, true, 0, 0, false);
    c.chords(16, 90, dark, false, 1, 0, false);
    c.chords(48, 90, dark, false, 0, 1, false);
    c.drums(8, 90, true, true, 1);
    c.crash(1, 0.5f); // a soft one while the bouncing light flies: the city lit from the camera
    c.crash(8);
    c.crash(40, 0.8f);
    c.crash(72, 0.8f);
    c.build(96, 110);

    // part 2, 55 .. 84 s: the full groove with a lead, and stabs every third beat.
    c.section("sparks", 2, 110, 168);
    c.crash(110);
    c.chords(110, 168, lift, true, 2, 2, true);
    c.drums(110, 166, true, true, 2);
    for (double b = 112; b <= 164; b += 3)
        c.add(b, 0.5, Voice::Stab, 60, 0.8f);
    for (double b : {114.0, 128.0, 144.0, 160.0})
        c.crash(b, 0.9f);
    c.build(164, 168);

    // part 3, 84 .. 114 s: broken kicks that throw the camera, claps every third beat.
    c.section("fountains", 3, 168, 228);
    c.crash(168);
    c.chords(168, 228, drive, true, 3, 0, false);
    c.drums(168, 228, false, true, 1, 1.0f);
    for (double b = 171; b <= 231; b += 3)
        c.add(b, 0.5, Voice::Clap, 39, 0.85f);
    for (double b : {176.0, 196.0, 216.0})
        c.crash(b, 0.7f);

    // part 4, 114 .. 139 s: four on the floor, arpeggios and pads, lighter.
    c.section("waves", 4, 228, 278);
    c.crash(228);
    c.chords(228, 278, open, true, 1, 2, false);
    c.drums(228, 278, true, false, 1, 0.9f);
    for (double b : {236.0, 256.0})
        c.crash(b, 0.8f);

    // part 5, 139 .. 174 s: the groove again with its lead.
    c.section("photographs", 5, 278, 348);
    c.crash(278);
    c.chords(278, 348, dark, true, 2, 1, true);
    c.drums(278, 348, true, true, 2);
    for (double b : {292.0, 308.0, 328.0})
        c.crash(b, 0.8f);

    // part 6, 174 .. 204 s: driving sixteenths.
    c.section("particles", 6, 348, 408);
    c.crash(348);
    c.chords(348, 408, drive, true, 3, 2, false);
    c.drums(348, 408, true, true, 2);
    for (double b : {356.0, 372.0, 388.0})
        c.crash(b, 0.8f);

    // part 7, 204 .. 244 s: broad pads and a lead, broken drums, a build at the end.
    c.section("credits", 7, 408, 488);
    c.crash(408);
    c.chords(408, 488, tense, true, 1, 1, true);
    c.drums(408, 480, false, true, 1);
    for (double b : {420.0, 440.0, 460.0})
        c.crash(b, 0.9f);
    c.build(480, 488);

    // part 8, 244 s .. the end: everything, then the pads alone for the last bars.
    c.section("finale", 8, 488, 556);
    c.crash(488);
    c.chords(488, 540, open, true, 2, 2, true);
    c.drums(488, 540, true, true, 2);
    for (double b : {504.0, 520.0})
        c.crash(b, 0.9f);
    c.chords(540, 556, open, true, 0, 1, false);
    c.crash(540, 0.7f);
    c.score.totalBeats = 556;
    return c.score;
}

} // namespace datagen
