// main.cpp -- the game: the SDL front end driving the application shell. The picture is drawn by
// the hardware device through OpenGL, or by the software device where OpenGL cannot be had;
// ZARKRIDE_DEVICE=soft (or --device soft) asks for the software device from the start, for
// drivers that misbehave. Sound and music play through OpenAL Soft's default device, where there
// is one. The game runs in its data folder, wherever it was started from.
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "graphics/device/fallback_device.h"
#include "graphics/device/gl/gl_device.h"
#include "graphics/device/soft/soft_device.h"
#include "graphics/gfx.h"
#include "platform/files.h"
#include "platform/sdl/sdl_frontend.h"
#include "shell/places.h"
#include "shell/record.h"
#include "shell/shell.h"
#include "shell/viewer.h"
#include "sound/openal/openal_audio.h"
#include "sound/sound.h"

namespace {

const char USAGE[] =
    "usage: zarkride [options]\n"
    "A light-cycle arena: race the computer's cycles and make them run into your wall.\n"
    "\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n"
    "  --window           play in a 1280 x 960 window instead of the whole screen\n"
    "  --device gl|soft   draw with OpenGL (the default) or the software renderer\n"
    "  --record FILE      write what is played, the demo too, to FILE instead of the\n"
    "                     replay folder, to watch it again with zarksim --replay FILE\n"
    "  --no-record        do not record the game\n"
    "  --replay [FILE]    watch a recorded game again (without FILE, the latest): Space\n"
    "                     pauses, . steps, Up/Down change the speed, Left/Right jump 10 s,\n"
    "                     Home goes to the start, V changes the view, 1-5 follow a cycle,\n"
    "                     D the director, Escape ends\n"
    "\n"
    "Keys: arrows turn and speed up or slow down, Z X C look left, right and back, V changes the\n"
    "view, F1 shows help; on the title D starts the demo. Any other key ends the game.\n"
    "Data files come from $ZARKRIDE_DATA, the game's own folder, or " ZARKRIDE_INSTALLED_DATA ".\n"
    "Every game is recorded in $XDG_STATE_HOME/zarkride/replays (~/.local/state/zarkride/replays);\n"
    "the last 50 are kept.\n";

struct Options {
    bool help = false, version = false, window = false, noRecord = false;
    const char *device = nullptr;   // null: $ZARKRIDE_DEVICE, else gl
    const char *record = nullptr;   // null: every game into the replay folder
    bool replay = false;
    std::string replayFile;         // empty: the latest recording
};

// Reads the command line; on a mistake says what on standard error and returns 0.
int ParseArgs(int argc, char **argv, Options *options)
{
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            options->help = true;
        } else if (strcmp(arg, "--version") == 0) {
            options->version = true;
        } else if (strcmp(arg, "--window") == 0) {
            options->window = true;
        } else if (strcmp(arg, "--replay") == 0) {
            options->replay = true;
            if (i + 1 < argc && strncmp(argv[i + 1], "--", 2) != 0)
                options->replayFile = argv[++i];
        } else if (strcmp(arg, "--no-record") == 0) {
            options->noRecord = true;
        } else if (strcmp(arg, "--device") == 0 || strcmp(arg, "--record") == 0) {
            if (i + 1 >= argc) {
                fprintf(stderr, "zarkride: %s needs a value\n", arg);
                return 0;
            }
            const char *value = argv[++i];
            if (strcmp(arg, "--record") == 0) {
                if (!*value) {
                    fprintf(stderr, "zarkride: --record needs a file name\n");
                    return 0;
                }
                options->record = value;
            } else if (strcmp(value, "gl") == 0 || strcmp(value, "soft") == 0) {
                options->device = value;
            } else {
                fprintf(stderr, "zarkride: --device takes gl or soft, not %s\n", value);
                return 0;
            }
        } else {
            fprintf(stderr, "zarkride: unknown option %s\n", arg);
            return 0;
        }
    }
    if (options->replay && options->record) {
        fprintf(stderr, "zarkride: --replay plays a recording and records nothing: it cannot "
                        "go with --record\n");
        return 0;
    }
    return 1;
}

// A recording that cannot be played is said in a message box, where a display can be had, and
// on standard error.
int RefuseRecording(const std::string &reason)
{
    if (SDLFE_OpenDisplay())
        SDL_FrontEnd()->MessageBox(nullptr, reason.c_str(), "Zarkride");
    else
        fprintf(stderr, "zarkride: %s\n", reason.c_str());
    return 1;
}

std::string ExecutablePath()
{
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "";
    path[length] = 0;
    return path;
}

// Moves into the data folder and sets where the player's set-up is read from and where the log
// is written. 0, with a message, when the data files cannot be found.
int SettleIn()
{
    const std::string exe = ExecutablePath();
    const std::string installed =
        Places_InstalledFolder(exe, ZARKRIDE_DATA_FROM_BIN, ZARKRIDE_INSTALLED_DATA);
    std::string data = Places_DataFolder(exe, installed);
    if (data.empty()) {
        fprintf(stderr, "zarkride: cannot find the game's data files (zark2.wrl) beside the game "
                        "or in %s; set ZARKRIDE_DATA to their folder\n", installed.c_str());
        return 0;
    }
    if (chdir(data.c_str()) != 0) {
        fprintf(stderr, "zarkride: cannot enter the data folder %s: %s\n", data.c_str(),
                strerror(errno));
        return 0;
    }
    std::string setup = Places_PlayerSetup();
    if (!setup.empty())
        App_UseSetupFile(setup.c_str());
    GFX_SetLogFolder(Places_LogFolder(".", installed).c_str());
    return 1;
}

// The display has gone: let go of sound, music and graphics without touching it.
void LetGoWithoutDisplay()
{
    GlDevice_DisplayLost();
    MUS_StopAll();
    SND_Shutdown();
    GFX_Shutdown();
}

}  // namespace

int main(int argc, char **argv)
{
    Platform_KeepStandardStreams();
    // One heap for every thread: the game's threads allocate next to nothing once it runs, and a
    // heap of its own for the thread loading the music's soundfont would keep megabytes more.
    mallopt(M_ARENA_MAX, 1);
    Options options;
    if (!ParseArgs(argc, argv, &options)) {
        fprintf(stderr, "Try 'zarkride --help' for the options.\n");
        return 2;
    }
    if (options.help) {
        fputs(USAGE, stdout);
        return 0;
    }
    if (options.version) {
        printf("zarkride %s\n", ZARKRIDE_VERSION);
        return 0;
    }
    // A broken pipe or a file grown past its limit is a write that fails, said where it happens
    // (a recording goes on unwritten): neither ends the game.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    // The recording is named from where the game was started, before it moves to its data.
    std::string why;
    if (options.record && !Record_Start(options.record, &why)) {
        fprintf(stderr, "zarkride: cannot write %s: %s\n", options.record, why.c_str());
        return 1;
    }
    // The recording to watch is named from where the game was started too.
    std::string replayError;
    if (options.replay) {
        std::string path = options.replayFile.empty() ? Viewer_LatestRecording() : options.replayFile;
        if (path.empty())
            replayError = "there is no recorded game to watch yet";
        else
            Viewer_Open(path.c_str(), &replayError);
    }
    if (!options.record && !options.noRecord && !options.replay)
        Record_EveryGame();
    if (!SettleIn())
        return 1;
    if (options.replay && replayError.empty()) {
        std::string warning;
        replayError = Viewer_Check(&warning);
        if (!warning.empty())
            fprintf(stderr, "zarkride: %s\n", warning.c_str());
    }
    if (!replayError.empty())
        return RefuseRecording(replayError);
    // The sound device opens and the music's soundfont loads while the display is opened and the
    // game starts; a replay has no music.
    OpenAL_OpenAhead();
    if (!options.replay)
        MUS_Prepare();
    if (!SDLFE_OpenDisplay())
        return 1;

    SND_SetBackend(OpenAL_Backend());
    SoftDevice_SetPresenter(SDLFE_PresentPage);
    SoftDevice_SetScreenCheck(SDLFE_CanShowPages);
    GlDevice_SetScreenTaker(SDLFE_TakeScreen);
    SDLFE_SetRepaint(GlDevice_Repaint);
    SDLFE_SetDisplayLost(LetGoWithoutDisplay);
    SDLFE_SetWindowed(options.window);
    const char *device = options.device ? options.device : getenv("ZARKRIDE_DEVICE");
    if (device && strcmp(device, "soft") == 0) {
        GFX_SetDeviceLayer(&g_softDevice);
        SDLFE_SetOpenGlWindow(0);
    } else {
        if (device && *device && strcmp(device, "gl") != 0)
            fprintf(stderr, "zarkride: ZARKRIDE_DEVICE=%s is neither gl nor soft; using gl\n", device);
        GFX_SetDeviceLayer(FallbackDevice_Start(&g_glDevice, &g_softDevice));
    }
    return App_Main(SDL_FrontEnd());
}
