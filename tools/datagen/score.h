#pragma once
// The production's score: one list of timed notes from which both the soundtrack and the
// sync files are made, so that every sync event falls on something the listener hears.
#include <string>
#include <vector>

namespace datagen {

enum class Voice { Kick, Snare, Clap, HatClosed, HatOpen, Crash, Tom, Bass, Pad, Arp, Lead, Stab };

struct Note {
    double beat;   // start, in beats from the start of the music
    double length; // in beats
    Voice voice;
    int pitch; // MIDI note number (drums ignore it)
    float velocity;
};

struct Section {
    std::string name;
    int part; // the demo part that runs over it
    double startBeat, endBeat;
};

struct Score {
    double bpm = 120.0;
    double totalBeats = 0; // the music ends here; a short tail rings out after it
    std::vector<Section> sections;
    std::vector<Note> notes;

    double seconds(double beat) const { return beat * 60.0 / bpm; }
    // The notes of one voice that start in [from, to) beats, in time order.
    std::vector<Note> hits(Voice voice, double fromBeat, double toBeat) const;
};

Score composeScore();

} // namespace datagen
