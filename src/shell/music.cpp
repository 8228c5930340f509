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
#include <unistd.h>

#include "sound/sound.h"

namespace {

const char *const SOUNDFONTS[] = {"/usr/share/sounds/sf2/TimGM6mb.sf2"};

// The tune is mixed to peak just under full scale at this gain (FluidSynth's own default).
const double MUSIC_GAIN = 0.2;
const int MUSIC_VOICES = 64;

// Once the piece is over, a little more is rendered so its last notes ring out.
enum { TAIL_FRAMES = SND_STREAM_RATE * 2 };

struct Music {
    fluid_settings_t *settings = nullptr;
    fluid_synth_t *synth = nullptr;
    fluid_player_t *player = nullptr;
    int tailLeft = 0;
};

Music music;

void CloseAll()
{
    SND_StopStream();
    if (music.player) {
        fluid_player_stop(music.player);
        delete_fluid_player(music.player);
    }
    if (music.synth)
        delete_fluid_synth(music.synth);
    if (music.settings)
        delete_fluid_settings(music.settings);
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
    if (fluid_synth_write_s16(music.synth, count, frames, 0, 2, frames, 1, 2) != FLUID_OK)
        return 0;
    return count;
}

int LoadSoundfont()
{
    const char *chosen = getenv("ZARKRIDE_SOUNDFONT");
    if (chosen && *chosen)
        return fluid_synth_sfload(music.synth, chosen, 1) != FLUID_FAILED;
    for (const char *path : SOUNDFONTS)
        if (access(path, R_OK) == 0 && fluid_synth_sfload(music.synth, path, 1) != FLUID_FAILED)
            return 1;
    char *fallback = nullptr;
    if (fluid_settings_dupstr(music.settings, "synth.default-soundfont", &fallback) != FLUID_OK ||
        !fallback)
        return 0;
    int loaded = access(fallback, R_OK) == 0 &&
                 fluid_synth_sfload(music.synth, fallback, 1) != FLUID_FAILED;
    fluid_free(fallback);
    return loaded;
}

}  // namespace

int MUS_Open(const char *file)
{
    CloseAll();
    if (!SND_HasDevice() || access(file, R_OK) != 0 || !fluid_is_midifile(file))
        return 0;
    // FluidSynth speaks of every soundfont it cannot use; the game stays quiet about music.
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
    music.settings = new_fluid_settings();
    if (!music.settings)
        return 0;
    // The piece keeps time by the samples rendered, so it sounds the same however it is heard.
    fluid_settings_setnum(music.settings, "synth.sample-rate", SND_STREAM_RATE);
    fluid_settings_setstr(music.settings, "player.timing-source", "sample");
    fluid_settings_setint(music.settings, "synth.cpu-cores", 1);
    // The piece sounds the same with 64 voices as with the synthesiser's default of 256, which
    // would keep megabytes of voices that never play.
    fluid_settings_setint(music.settings, "synth.polyphony", MUSIC_VOICES);
    fluid_settings_setnum(music.settings, "synth.gain", MUSIC_GAIN);
    music.synth = new_fluid_synth(music.settings);
    if (!music.synth || !LoadSoundfont()) {
        CloseAll();
        return 0;
    }
    music.player = new_fluid_player(music.synth);
    if (!music.player || fluid_player_add(music.player, file) != FLUID_OK ||
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
    return 1;
}
