// music.cpp -- composes the title tune note by note and writes it as a Standard MIDI File.
#include "music.h"

#include <algorithm>
#include <initializer_list>

#include "output.h"

enum { QUARTER = 480, SIXTEENTH = QUARTER / 4, EIGHTH = QUARTER / 2, BAR = 4 * QUARTER };

// --- The file writer ------------------------------------------------------------------------

void Midi_PutVarLen(std::vector<uint8_t> *out, uint32_t value)
{
    uint8_t bytes[4];
    int count = 0;
    do {
        bytes[count++] = uint8_t(value & 0x7F);
        value >>= 7;
    } while (value != 0 && count < 4);
    while (count > 1)
        out->push_back(bytes[--count] | 0x80);
    out->push_back(bytes[0]);
}

// What comes first among events on the same tick: set-up before notes, and a note's end before
// the next note starts, so that a key struck again on the beat it was let go is not cut short.
enum { ORDER_SETUP, ORDER_NOTE_OFF, ORDER_NOTE_ON };

struct MidiEvent {
    uint32_t tick;
    int order;
    std::vector<uint8_t> bytes;
};

// One track of the file; events may be added in any order.
struct MidiTrack {
    std::vector<MidiEvent> events;

    void Add(uint32_t tick, int order, std::initializer_list<uint8_t> bytes)
    {
        events.push_back({tick, order, bytes});
    }

    void Meta(uint32_t tick, uint8_t type, const std::vector<uint8_t> &data)
    {
        MidiEvent event = {tick, ORDER_SETUP, {0xFF, type}};
        Midi_PutVarLen(&event.bytes, uint32_t(data.size()));
        event.bytes.insert(event.bytes.end(), data.begin(), data.end());
        events.push_back(event);
    }

    void Name(const std::string &name)
    {
        Meta(0, 0x03, std::vector<uint8_t>(name.begin(), name.end()));
    }

    void Tempo(uint32_t tick, int beatsPerMinute)
    {
        uint32_t micros = 60000000u / uint32_t(beatsPerMinute);
        Meta(tick, 0x51, {uint8_t(micros >> 16), uint8_t(micros >> 8), uint8_t(micros)});
    }

    void Control(uint32_t tick, int channel, int controller, int value)
    {
        Add(tick, ORDER_SETUP, {uint8_t(0xB0 | channel), uint8_t(controller), uint8_t(value)});
    }

    void Program(int channel, int program)
    {
        Add(0, ORDER_SETUP, {uint8_t(0xC0 | channel), uint8_t(program)});
    }

    void Note(int channel, uint32_t tick, uint32_t length, int key, int velocity)
    {
        velocity = std::max(1, std::min(127, velocity));
        Add(tick, ORDER_NOTE_ON, {uint8_t(0x90 | channel), uint8_t(key), uint8_t(velocity)});
        Add(tick + length, ORDER_NOTE_OFF, {uint8_t(0x80 | channel), uint8_t(key), 0});
    }
};

static void PutBig(std::vector<uint8_t> *out, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; i--)
        out->push_back(uint8_t(value >> (8 * i)));
}

static void PutTag(std::vector<uint8_t> *out, const char *tag)
{
    for (int i = 0; i < 4; i++)
        out->push_back(uint8_t(tag[i]));
}

// Format 1: every track ends at `endTick`, so the file lasts until the last chord has rung out.
static std::vector<uint8_t> EncodeFile(std::vector<MidiTrack> tracks, uint32_t endTick)
{
    std::vector<uint8_t> out;
    PutTag(&out, "MThd");
    PutBig(&out, 6, 4);
    PutBig(&out, 1, 2);
    PutBig(&out, uint32_t(tracks.size()), 2);
    PutBig(&out, QUARTER, 2);
    for (MidiTrack &track : tracks) {
        std::stable_sort(track.events.begin(), track.events.end(),
                         [](const MidiEvent &a, const MidiEvent &b) {
                             return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
                         });
        std::vector<uint8_t> body;
        uint32_t now = 0;
        for (const MidiEvent &event : track.events) {
            Midi_PutVarLen(&body, event.tick - now);
            body.insert(body.end(), event.bytes.begin(), event.bytes.end());
            now = event.tick;
        }
        Midi_PutVarLen(&body, std::max(endTick, now) - now);
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        PutTag(&out, "MTrk");
        PutBig(&out, uint32_t(body.size()), 4);
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

// --- The score ------------------------------------------------------------------------------

// Channels (0-based; the drums sit on channel 10) and their General MIDI programs (0-based).
enum { CH_LEAD, CH_ARP, CH_PAD, CH_BASS, CH_BASS_EDGE, CH_LEAD_LOW, CH_DRUMS = 9 };
enum {
    PROGRAM_ELECTRIC_PIANO = 4,
    PROGRAM_SYNTH_BASS = 38,
    PROGRAM_SQUARE_LEAD = 80,
    PROGRAM_SAW_LEAD = 81,
    PROGRAM_WARM_PAD = 89
};

// General MIDI drum keys.
enum {
    DEEP_KICK = 35,
    KICK = 36,
    SNARE = 38,
    CLAP = 39,
    LOW_TOM = 45,
    CLOSED_HAT = 42,
    MID_TOM = 47,
    OPEN_HAT = 46,
    CRASH = 49,
    HIGH_TOM = 50
};

// Keys by name; octave 4 holds middle C (60).
enum {
    A2 = 45,
    A3 = 57,
    C4 = 60,
    E4 = 64,
    A4 = 69,
    B4 = 71,
    C5 = 72,
    D5 = 74,
    E5 = 76,
    F5 = 77,
    G5 = 79,
    GS5 = 80,
    A5 = 81,
    B5 = 83,
    C6 = 84,
    D6 = 86
};

// A chord: its root for the bass, in the second octave, and the pad's three notes, voiced
// close round middle C so that the pad moves by steps from chord to chord.
struct Chord {
    int root;
    int pad[3];
};
static const Chord A_MINOR = {45, {57, 60, 64}}; // A C E
static const Chord F_MAJOR = {41, {57, 60, 65}}; // A C F
static const Chord C_MAJOR = {48, {55, 60, 64}}; // G C E
static const Chord G_MAJOR = {43, {55, 59, 62}}; // G B D
static const Chord D_MINOR = {50, {57, 62, 65}}; // A D F
static const Chord E_MAJOR = {40, {56, 59, 64}}; // G# B E: pulls back to A minor

// One bar of the lead: notes by their start and length in sixteenths; a zero length ends it.
struct LeadNote {
    int at, length, key;
};
typedef LeadNote LeadBar[6];

// The hook: long-long-short (three, three, two eighths), climbing to A and falling back, then
// answered a step higher and brought home on the leading note.
static const LeadBar HOOK[8] = {
    {{0, 6, E5}, {6, 6, A5}, {12, 4, G5}},
    {{0, 6, F5}, {6, 6, E5}, {12, 4, C5}},
    {{0, 6, E5}, {6, 6, G5}, {12, 4, C6}},
    {{0, 6, B5}, {6, 2, G5}, {8, 8, D5}},
    {{0, 6, E5}, {6, 6, A5}, {12, 4, G5}},
    {{0, 6, F5}, {6, 6, E5}, {12, 2, C5}, {14, 2, D5}},
    {{0, 4, D5}, {4, 4, F5}, {8, 6, A5}, {14, 2, G5}},
    {{0, 8, GS5}, {8, 4, E5}, {12, 4, B4}},
};
// The bridge: long notes sung high over the half-time beat.
static const LeadBar SOAR[4] = {
    {{0, 10, A5}, {10, 2, G5}, {12, 4, F5}},
    {{0, 10, C6}, {10, 2, A5}, {12, 4, F5}},
    {{0, 4, E5}, {4, 4, G5}, {8, 6, C6}, {14, 2, D6}},
    {{0, 8, B5}, {8, 4, A5}, {12, 4, G5}},
};
// The way home: two bars climbing to the leading note, G sharp, which the last chord resolves.
static const LeadBar CADENCE[2] = {
    {{0, 6, D5}, {6, 6, G5}, {12, 4, B5}},
    {{0, 6, E5}, {6, 6, B5}, {12, 4, GS5}},
};

enum Section { INTRO, MAIN, BRIDGE, HOMEWARD };

struct Bar {
    Section section;
    const Chord *chord;
    const LeadNote *lead; // null: the lead rests
};

static const Bar SCORE[] = {
    {INTRO, &A_MINOR, nullptr},       {INTRO, &F_MAJOR, nullptr},
    {INTRO, &C_MAJOR, nullptr},       {INTRO, &G_MAJOR, nullptr},
    {MAIN, &A_MINOR, HOOK[0]},        {MAIN, &F_MAJOR, HOOK[1]},
    {MAIN, &C_MAJOR, HOOK[2]},        {MAIN, &G_MAJOR, HOOK[3]},
    {MAIN, &A_MINOR, HOOK[4]},        {MAIN, &F_MAJOR, HOOK[5]},
    {MAIN, &D_MINOR, HOOK[6]},        {MAIN, &E_MAJOR, HOOK[7]},
    {BRIDGE, &D_MINOR, SOAR[0]},      {BRIDGE, &F_MAJOR, SOAR[1]},
    {BRIDGE, &C_MAJOR, SOAR[2]},      {BRIDGE, &G_MAJOR, SOAR[3]},
    {HOMEWARD, &A_MINOR, HOOK[0]},    {HOMEWARD, &F_MAJOR, HOOK[1]},
    {HOMEWARD, &G_MAJOR, CADENCE[0]}, {HOMEWARD, &E_MAJOR, CADENCE[1]},
};
static const int BAR_COUNT = int(sizeof SCORE / sizeof SCORE[0]);

// The last chord comes on the bar after the score, after the tempo has slowed through the last
// bar to 96. It is held six beats, fading from the third, and the file runs two beats more so
// that the instruments' release dies away before the piece ends.
static const uint32_t FINAL = BAR_COUNT * BAR, FINAL_HOLD = 6 * QUARTER;
static const uint32_t END = FINAL + 8 * QUARTER;

static void SetUpChannel(MidiTrack *track, int channel, int program, int volume, int pan,
                         int reverb, int chorus)
{
    track->Program(channel, program);
    track->Control(0, channel, 7, volume);
    track->Control(0, channel, 10, pan);
    track->Control(0, channel, 91, reverb);
    track->Control(0, channel, 93, chorus);
}

static MidiTrack TempoTrack()
{
    MidiTrack track;
    track.Name("Zarkride");
    track.Meta(0, 0x58, {4, 2, 24, 8}); // 4/4
    track.Meta(0, 0x59, {0, 1});        // A minor
    track.Tempo(0, 120);
    // The last bar broadens into the final chord.
    track.Tempo(FINAL - 2 * QUARTER, 112);
    track.Tempo(FINAL - QUARTER, 104);
    track.Tempo(FINAL, 96);
    return track;
}

// The last chord rings out: each part fades from the chord's third beat until it is let go.
static void FadeOut(MidiTrack *track, int channel)
{
    for (int step = 0; step <= 16; step++)
        track->Control(FINAL + 2 * QUARTER + step * QUARTER / 4, channel, 11, 127 - 6 * step);
}

static MidiTrack Lead()
{
    // The saw lead is doubled an octave down by a square, the fat lead of the style.
    MidiTrack track;
    track.Name("Lead");
    SetUpChannel(&track, CH_LEAD, PROGRAM_SAW_LEAD, 127, 64, 60, 30);
    SetUpChannel(&track, CH_LEAD_LOW, PROGRAM_SQUARE_LEAD, 127, 64, 60, 30);
    for (int bar = 0; bar < BAR_COUNT; bar++) {
        const LeadNote *notes = SCORE[bar].lead;
        for (int i = 0; notes && i < 6 && notes[i].length > 0; i++) {
            // Slightly detached, with the downbeat leaned on.
            uint32_t length = notes[i].length * SIXTEENTH - 30;
            int velocity = notes[i].at == 0 ? 122 : 112;
            uint32_t tick = bar * BAR + notes[i].at * SIXTEENTH;
            track.Note(CH_LEAD, tick, length, notes[i].key, velocity);
            track.Note(CH_LEAD_LOW, tick, length, notes[i].key - 12, velocity - 6);
        }
    }
    track.Note(CH_LEAD, FINAL, FINAL_HOLD, A5, 118);
    track.Note(CH_LEAD_LOW, FINAL, FINAL_HOLD, A5 - 12, 106);
    FadeOut(&track, CH_LEAD);
    FadeOut(&track, CH_LEAD_LOW);
    return track;
}

static MidiTrack Arpeggio()
{
    // Up and down the chord over two octaves, a note every sixteenth.
    static const int PATTERN[16] = {0, 1, 2, 3, 4, 3, 2, 1, 0, 1, 2, 3, 4, 3, 2, 1};
    MidiTrack track;
    track.Name("Arpeggio");
    SetUpChannel(&track, CH_ARP, PROGRAM_ELECTRIC_PIANO, 127, 40, 70, 40);
    for (int bar = 0; bar < BAR_COUNT; bar++) {
        const Chord &chord = *SCORE[bar].chord;
        int tones[5] = {chord.pad[0], chord.pad[1], chord.pad[2], chord.pad[0] + 12,
                        chord.pad[1] + 12};
        // Lifted an octave in the bridge for shimmer; swelling through the intro.
        int lift = SCORE[bar].section == BRIDGE ? 12 : 0;
        int level = SCORE[bar].section == INTRO ? 84 + 6 * bar : 104;
        for (int step = 0; step < 16; step++) {
            int accent = step % 4 == 0 ? 10 : step % 2 == 0 ? 0 : -8;
            track.Note(CH_ARP, bar * BAR + step * SIXTEENTH, SIXTEENTH * 3 / 4,
                       tones[PATTERN[step]] + lift, level + accent);
        }
    }
    // A last run up the A minor chord, left to ring.
    static const int RUN[] = {A3, C4, E4, A4, C5, E5, A5};
    for (int i = 0; i < 7; i++)
        track.Note(CH_ARP, FINAL + i * SIXTEENTH, FINAL_HOLD - i * SIXTEENTH, RUN[i], 96 + 3 * i);
    FadeOut(&track, CH_ARP);
    return track;
}

static MidiTrack Pad()
{
    MidiTrack track;
    track.Name("Pad");
    SetUpChannel(&track, CH_PAD, PROGRAM_WARM_PAD, 118, 76, 80, 60);
    // The intro fades the pad in over its first two bars.
    for (int step = 0; step <= 32; step++)
        track.Control(step * SIXTEENTH, CH_PAD, 11, 72 + 55 * step / 32);
    for (int bar = 0; bar < BAR_COUNT; bar++) {
        int velocity = SCORE[bar].section == BRIDGE ? 108 : 96;
        const int *pad = SCORE[bar].chord->pad;
        for (int key : {pad[0], pad[1], pad[2], pad[0] + 12})
            track.Note(CH_PAD, bar * BAR, BAR, key, velocity);
    }
    // A minor with an added ninth, to ring out.
    for (int key : {A3, C4, E4, A4, B4})
        track.Note(CH_PAD, FINAL, FINAL_HOLD, key, 110);
    FadeOut(&track, CH_PAD);
    return track;
}

// The soundfont's synth bass alone is soft and dull; a square wave in unison gives it the edge
// that carries on small speakers.
static void BassNote(MidiTrack *track, uint32_t tick, uint32_t length, int key, int velocity)
{
    track->Note(CH_BASS, tick, length, key, velocity);
    track->Note(CH_BASS_EDGE, tick, length, key, velocity - 10);
}

static MidiTrack Bass()
{
    // The pulse in eighths: root, root, octave, root... with the octave where it drives forward.
    static const int OCTAVE_JUMP[8] = {0, 0, 12, 0, 0, 12, 0, 12};
    MidiTrack track;
    track.Name("Bass");
    SetUpChannel(&track, CH_BASS, PROGRAM_SYNTH_BASS, 127, 64, 20, 0);
    SetUpChannel(&track, CH_BASS_EDGE, PROGRAM_SQUARE_LEAD, 120, 64, 20, 0);
    for (int bar = 0; bar < BAR_COUNT; bar++) {
        int root = SCORE[bar].chord->root;
        uint32_t start = bar * BAR;
        switch (SCORE[bar].section) {
        case INTRO:
            // Only the root, from the third bar, to lead into the beat.
            for (int i = 0; bar >= 2 && i < 8; i++)
                BassNote(&track, start + i * EIGHTH, 150, root, 100 + 8 * (bar - 2));
            break;
        case MAIN:
        case HOMEWARD:
            for (int i = 0; i < 8; i++)
                BassNote(&track, start + i * EIGHTH, 170, root + OCTAVE_JUMP[i],
                           i % 2 == 0 ? 120 : 106);
            break;
        case BRIDGE:
            // Rolling sixteenths under the half-time beat.
            for (int i = 0; i < 16; i++)
                BassNote(&track, start + i * SIXTEENTH, 90, root + (i % 4 == 3 ? 12 : 0),
                           i % 4 == 0 ? 118 : 102);
            break;
        }
    }
    BassNote(&track, FINAL, FINAL_HOLD, A2 - 12, 124);
    BassNote(&track, FINAL, FINAL_HOLD, A2, 108);
    FadeOut(&track, CH_BASS);
    FadeOut(&track, CH_BASS_EDGE);
    return track;
}

// Both kick drums at once: the soundfont's kicks are light alone.
static void Kick(MidiTrack *track, uint32_t tick, int velocity)
{
    track->Note(CH_DRUMS, tick, SIXTEENTH, DEEP_KICK, velocity);
    track->Note(CH_DRUMS, tick, SIXTEENTH, KICK, velocity);
}

// The steady beat: kick on every beat, snare and clap on two and four, sixteenth hats.
static void MainBeat(MidiTrack *track, uint32_t start, int beats)
{
    static const int HAT_LEVEL[4] = {100, 64, 84, 68};
    for (int step = 0; step < 4 * beats; step++) {
        uint32_t tick = start + step * SIXTEENTH;
        if (step % 4 == 0)
            Kick(track, tick, 127);
        if (step % 8 == 4) {
            track->Note(CH_DRUMS, tick, SIXTEENTH, SNARE, 124);
            track->Note(CH_DRUMS, tick, SIXTEENTH, CLAP, 96);
        }
        track->Note(CH_DRUMS, tick, SIXTEENTH, CLOSED_HAT, HAT_LEVEL[step % 4]);
    }
}

static MidiTrack Drums()
{
    MidiTrack track;
    track.Name("Drums");
    SetUpChannel(&track, CH_DRUMS, 0, 127, 64, 30, 0);
    for (int bar = 0; bar < BAR_COUNT; bar++) {
        uint32_t start = bar * BAR;
        Section section = SCORE[bar].section;
        bool phraseStart = bar == 4 || bar == 8 || bar == 12 || bar == 16;
        if (phraseStart)
            track.Note(CH_DRUMS, start, QUARTER, CRASH, 116);
        switch (section) {
        case INTRO:
            // Hats from the second bar, the kick from the third, snare and a roll in the fourth.
            for (int step = 0; bar >= 1 && step < 16; step += 2)
                track.Note(CH_DRUMS, start + step * SIXTEENTH, SIXTEENTH, CLOSED_HAT,
                           step % 4 == 0 ? 84 : 68);
            for (int beat = 0; bar >= 2 && beat < 4; beat++)
                Kick(&track, start + beat * QUARTER, 120);
            if (bar == 3) {
                track.Note(CH_DRUMS, start + QUARTER, SIXTEENTH, SNARE, 112);
                for (int step = 12; step < 16; step++)
                    track.Note(CH_DRUMS, start + step * SIXTEENTH, SIXTEENTH, SNARE,
                               96 + 10 * (step - 12));
            }
            break;
        case MAIN:
        case HOMEWARD:
            if (bar == 11) {
                // A tom fill on the last beat, rolling down into the bridge.
                MainBeat(&track, start, 3);
                int step = 12;
                for (int key : {HIGH_TOM, MID_TOM, LOW_TOM, LOW_TOM})
                    track.Note(CH_DRUMS, start + step++ * SIXTEENTH, SIXTEENTH, key, 116);
            } else if (bar == BAR_COUNT - 1) {
                // A longer fill over the slowing last two beats, into the final chord.
                MainBeat(&track, start, 2);
                static const int FILL[8] = {HIGH_TOM, HIGH_TOM, MID_TOM, MID_TOM,
                                            LOW_TOM,  LOW_TOM,  SNARE,   SNARE};
                for (int i = 0; i < 8; i++)
                    track.Note(CH_DRUMS, start + (8 + i) * SIXTEENTH, SIXTEENTH, FILL[i],
                               100 + 3 * i);
            } else {
                MainBeat(&track, start, 4);
                // An open hat on the last off-beat of every second bar.
                if (bar % 2 == 1)
                    track.Note(CH_DRUMS, start + 14 * SIXTEENTH, EIGHTH, OPEN_HAT, 88);
            }
            break;
        case BRIDGE:
            // Half time: the snare on three, the kick pushing around it, hats in eighths.
            for (int step : {0, 6, 10})
                Kick(&track, start + step * SIXTEENTH, 124);
            track.Note(CH_DRUMS, start + 8 * SIXTEENTH, SIXTEENTH, SNARE, 124);
            track.Note(CH_DRUMS, start + 8 * SIXTEENTH, SIXTEENTH, CLAP, 96);
            for (int step = 0; step < 16; step += 2)
                track.Note(CH_DRUMS, start + step * SIXTEENTH, SIXTEENTH, CLOSED_HAT,
                           step % 4 == 0 ? 92 : 72);
            if (bar == 15) // a snare roll building into the hook's return
                for (int step = 12; step < 16; step++)
                    track.Note(CH_DRUMS, start + step * SIXTEENTH, SIXTEENTH, SNARE,
                               90 + 12 * (step - 12));
            break;
        }
    }
    track.Note(CH_DRUMS, FINAL, 2 * QUARTER, CRASH, 124);
    Kick(&track, FINAL, 127);
    track.Note(CH_DRUMS, FINAL, SIXTEENTH, LOW_TOM, 116);
    return track;
}

std::vector<uint8_t> Tune_Compose()
{
    return EncodeFile({TempoTrack(), Lead(), Arpeggio(), Pad(), Bass(), Drums()}, END);
}

bool Tune_WriteMidi(const std::string &path, std::string *error)
{
    std::vector<uint8_t> file = Tune_Compose();
    return WriteWholeFile(path, file.data(), file.size(), error);
}
