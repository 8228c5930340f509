// music.cpp -- the title music, "zark.mid": started during start-up, stopped by the first key,
// played once. FluidSynth plays the piece with a General MIDI soundfont and its synthesiser
// renders into the sound layer's music stream, so music and effects share one device. A missing
// piece, soundfont, synthesiser or sound device leaves the title silent and says nothing.
//
// The soundfont: $ZARKRIDE_SOUNDFONT when set, else Debian's TimGM6mb (small, and the same on
// every machine), else whatever FluidSynth takes by default.
#include "shell/shell.h"

#include <fluidsynth.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <thread>
#include <unistd.h>

#include "platform/files.h"
#include "sound/sound.h"

namespace {

const char *const SOUNDFONTS[] = {"/usr/share/sounds/sf2/TimGM6mb.sf2"};

// The tune is mixed to peak just under full scale at this gain (FluidSynth's own default).
const double MUSIC_GAIN = 0.2;
const int MUSIC_VOICES = 64;

// Once the piece is over, a little more is rendered so its last notes ring out.
enum { TAIL_FRAMES = SND_STREAM_RATE * 2 };

// A file FluidSynth is to read, opened here first. FluidSynth opens its files by name, as often
// as it likes (the soundfont again each time the tune picks an instrument), and would wait for
// ever on a FIFO, holding up whoever waits for it. It is given instead the name of the regular
// file opened here, in /proc/self/fd: each of its opens reaches the very file that was checked,
// whatever the player's path names afterwards. Held until FluidSynth is done with the file.
struct HeldFile {
    int fd = -1;
    char name[32] = "";
};

// 0 when path is not a regular file that can be read.
int Hold(HeldFile *held, const char *path)
{
    held->fd = Platform_OpenFileDescriptor(path);
    if (held->fd < 0)
        return 0;
    snprintf(held->name, sizeof held->name, "/proc/self/fd/%d", held->fd);
    return 1;
}

void LetGo(HeldFile *held)
{
    if (held->fd >= 0)
        close(held->fd);
    *held = HeldFile();
}

// A synthesiser with its soundfont loaded: the longest step of start-up, so it is made on a
// thread of its own from the start (MUS_Prepare) while the window, the sounds and the arena are
// made, and the music takes it when it starts.
struct Synth {
    fluid_settings_t *settings = nullptr;
    fluid_synth_t *synth = nullptr;
    HeldFile soundfont;
};

struct Music {
    Synth made;
    HeldFile piece;
    fluid_player_t *player = nullptr;
    int tailLeft = 0;
};

Music music;

void Free(Synth &s)
{
    if (s.synth)
        delete_fluid_synth(s.synth);
    if (s.settings)
        delete_fluid_settings(s.settings);
    LetGo(&s.soundfont);
    s = Synth();
}

// The synthesiser being made ahead, and the thread making it. However the process ends, the
// thread is joined first.
struct Preparation {
    std::thread thread;
    Synth ready;
    Synth Take()
    {
        if (thread.joinable())
            thread.join();
        Synth taken = ready;
        ready = Synth();
        return taken;
    }
    ~Preparation()
    {
        Synth left = Take();
        Free(left);
    }
} preparation;

void CloseAll()
{
    SND_StopStream();
    if (music.player) {
        fluid_player_stop(music.player);
        delete_fluid_player(music.player);
    }
    Free(music.made);
    LetGo(&music.piece);
    music = Music();
}

// The stream's filler: the synthesiser's next frames, until the piece and its tail are done.
int Render(int16_t *frames, int count, void *)
{
    if (fluid_player_get_status(music.player) == FLUID_PLAYER_DONE) {
        if (music.tailLeft <= 0)
            return 0;
        count = count < music.tailLeft ? count : music.tailLeft;
        music.tailLeft -= count;
    }
    if (fluid_synth_write_s16(music.made.synth, count, frames, 0, 2, frames, 1, 2) != FLUID_OK)
        return 0;
    return count;
}

int LoadFrom(Synth &s, const char *path)
{
    if (!Hold(&s.soundfont, path))
        return 0;
    if (fluid_synth_sfload(s.synth, s.soundfont.name, 1) != FLUID_FAILED)
        return 1;
    LetGo(&s.soundfont);
    return 0;
}

int LoadSoundfont(Synth &s)
{
    const char *chosen = getenv("ZARKRIDE_SOUNDFONT");
    if (chosen && *chosen)
        return LoadFrom(s, chosen);
    for (const char *path : SOUNDFONTS)
        if (LoadFrom(s, path))
            return 1;
    char *fallback = nullptr;
    if (fluid_settings_dupstr(s.settings, "synth.default-soundfont", &fallback) != FLUID_OK ||
        !fallback)
        return 0;
    int loaded = LoadFrom(s, fallback);
    fluid_free(fallback);
    return loaded;
}

// A synthesiser set up for the piece with its soundfont loaded, or nothing.
Synth MakeSynth()
{
    // FluidSynth speaks of every soundfont it cannot use; the game stays quiet about music.
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
    Synth s;
    s.settings = new_fluid_settings();
    if (!s.settings)
        return s;
    // The piece keeps time by the samples rendered, so it sounds the same however it is heard.
    fluid_settings_setnum(s.settings, "synth.sample-rate", SND_STREAM_RATE);
    fluid_settings_setstr(s.settings, "player.timing-source", "sample");
    fluid_settings_setint(s.settings, "synth.cpu-cores", 1);
    // The piece sounds the same with 64 voices as with the synthesiser's default of 256, which
    // would keep megabytes of voices that never play.
    fluid_settings_setint(s.settings, "synth.polyphony", MUSIC_VOICES);
    fluid_settings_setnum(s.settings, "synth.gain", MUSIC_GAIN);
    // A General MIDI soundfont holds every instrument and the piece plays a handful: only the
    // samples of the instruments it picks are read, when it picks them, which keeps 5 MB of
    // samples out of memory.
    fluid_settings_setint(s.settings, "synth.dynamic-sample-loading", 1);
    s.synth = new_fluid_synth(s.settings);
    if (!s.synth || !LoadSoundfont(s))
        Free(s);
    return s;
}

}  // namespace

void MUS_Prepare()
{
    if (!preparation.thread.joinable() && !preparation.ready.synth)
        preparation.thread = std::thread([] { preparation.ready = MakeSynth(); });
}

int MUS_Open(const char *file)
{
    CloseAll();
    Synth made = preparation.Take();
    if (!SND_HasDevice() || !Hold(&music.piece, file) || !fluid_is_midifile(music.piece.name)) {
        Free(made);
        LetGo(&music.piece);
        return 0;
    }
    music.made = made.synth ? made : MakeSynth();
    if (!music.made.synth) {
        LetGo(&music.piece);
        return 0;
    }
    music.player = new_fluid_player(music.made.synth);
    if (!music.player || fluid_player_add(music.player, music.piece.name) != FLUID_OK ||
        fluid_player_play(music.player) != FLUID_OK) {
        CloseAll();
        return 0;
    }
    music.tailLeft = TAIL_FRAMES;
    if (!SND_StartStream(Render, nullptr)) {
        CloseAll();
        return 0;
    }
    return 1;
}

int MUS_Play()
{
    return MUS_Open("zark.mid");
}

int MUS_StopAll()
{
    CloseAll();
    Synth unused = preparation.Take();
    Free(unused);
    return 1;
}
