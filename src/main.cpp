// main.cpp -- the game: the SDL front end driving the application shell. The picture is drawn by
// the hardware device through OpenGL, or by the software device where OpenGL cannot be had;
// ZARKRIDE_DEVICE=soft (or --device soft) asks for the software device from the start, for
// drivers that misbehave. Sound and music play through OpenAL Soft's default device, where there
// is one. The game runs in its data folder, wherever it was started from.
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
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
    "  --record FILE      write the game to FILE as it is played, to watch it again with\n"
    "                     zarksim --replay FILE\n"
    "\n"
    "Keys: arrows turn and speed up or slow down, Z X C look left, right and back, V changes the\n"
    "view, F1 shows help; on the title D starts the demo. Any other key ends the game.\n"
    "Data files come from $ZARKRIDE_DATA, the game's own folder, or " ZARKRIDE_INSTALLED_DATA ".\n";

struct Options {
    bool help = false, version = false, window = false;
    const char *device = nullptr;   // null: $ZARKRIDE_DEVICE, else gl
    std::string record;
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
        } else if (strcmp(arg, "--device") == 0 || strcmp(arg, "--record") == 0) {
            if (i + 1 >= argc) {
                fprintf(stderr, "zarkride: %s needs a value\n", arg);
                return 0;
            }
            const char *value = argv[++i];
            if (strcmp(arg, "--record") == 0) {
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
    // The recording is named from where the game was started, before it moves to its data.
    if (!options.record.empty() && !Record_Start(options.record.c_str())) {
        fprintf(stderr, "zarkride: cannot write %s: %s\n", options.record.c_str(), strerror(errno));
        return 1;
    }
    if (!SettleIn())
        return 1;
    // The sound device opens and the music's soundfont loads while the display is opened and the
    // game starts.
    OpenAL_OpenAhead();
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
