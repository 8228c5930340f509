// sim.cpp -- runs the real game over the headless front end.
#include "sim.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <SDL.h>

#include "game/game.h"
#include "graphics/device/fallback_device.h"
#include "graphics/device/gl/gl_device.h"
#include "graphics/device/soft/soft_device.h"
#include "graphics/gfx.h"
#include "platform/files.h"
#include "scene/math3d.h"
#include "shell/shell.h"
#include "sound/openal/openal_audio.h"
#include "sound/sound.h"

namespace {

bool ParseNumber(const char *text, long min, long max, long *value)
{
    char *end;
    errno = 0;
    long v = strtol(text, &end, 10);   // decimal: "010" is ten
    if (errno || end == text || *end || v < min || v > max)
        return false;
    *value = v;
    return true;
}

// One entry per option; options that take a value name it in `value`.
struct Option {
    const char *name;
    const char *value;
    const char *help;
    bool (*apply)(SimOptions *options, const char *value);
};

const Option OPTIONS[] = {
    {"--data", "DIR", "run in DIR, where the game's data files are (default: here)",
     [](SimOptions *o, const char *v) { o->dataDir = v; return true; }},
    {"--seed", "S", "the clock value that seeds the random generator (default 1)",
     [](SimOptions *o, const char *v) {
         long s;
         if (!ParseNumber(v, 0, 0xFFFFFFFFL, &s)) return false;
         o->seed = (uint32_t)s;
         return true;
     }},
    {"--frames", "N", "frames of play to run after the title (default 0)",
     [](SimOptions *o, const char *v) { return ParseNumber(v, 0, 100000000L, &o->frames); }},
    {"--demo", nullptr, "leave the title with D: the computer drives every cycle",
     [](SimOptions *o, const char *) { o->demo = true; return true; }},
    {"--keys", "FILE", "play the key script FILE: lines \"FRAME down|up CODE\" (virtual-key codes)",
     [](SimOptions *o, const char *v) { o->keysFile = v; return true; }},
    {"--state", nullptr, "print every cycle at the end and a hash of the whole game state",
     [](SimOptions *o, const char *) { o->state = true; return true; }},
    {"--screenshot", "FRAME:FILE", "save what is on screen after FRAME as a PNG (0: the title); "
     "may be given more than once",
     [](SimOptions *o, const char *v) {
         const char *colon = strchr(v, ':');
         long frame;
         if (!colon || !colon[1] || !ParseNumber(std::string(v, colon).c_str(), 0, 100000000L, &frame))
             return false;
         o->screenshots.push_back({frame, colon + 1});
         return true;
     }},
    {"--device", "gl|soft", "draw with OpenGL (needs a display) or the software device (default)",
     [](SimOptions *o, const char *v) {
         if (strcmp(v, "gl") != 0 && strcmp(v, "soft") != 0) return false;
         o->gl = strcmp(v, "gl") == 0;
         return true;
     }},
    {"--size", "WxH", "OpenGL's window in pixels (default 640x480); shots are its 4:3 area",
     [](SimOptions *o, const char *v) {
         const char *x = strchr(v, 'x');
         long w, h;
         if (!x || !ParseNumber(std::string(v, x).c_str(), 64, 8192, &w) ||
             !ParseNumber(x + 1, 48, 8192, &h))
             return false;
         o->width = (int)w, o->height = (int)h;
         return true;
     }},
    {"--title", "N", "stay N frames on the title screen, its music playing, before leaving it "
     "(default 1)",
     [](SimOptions *o, const char *v) { return ParseNumber(v, 1, 100000000L, &o->title); }},
    {"--audio", "FILE.wav", "write what a player would hear, 25 ms of sound a frame, as a WAV",
     [](SimOptions *o, const char *v) { o->audioFile = v; return true; }},
    {"--replay", "FILE", "play again a game recorded with zarkride --record FILE (its seed, keys "
     "and frames), and check it ends in the recorded state",
     [](SimOptions *o, const char *v) { o->replayFile = v; return true; }},
    {"--progress", nullptr, "every 10,000 frames and at the end, print the frame and the peak "
     "memory so far to standard error",
     [](SimOptions *o, const char *) { o->progress = true; return true; }},
    {"--help", nullptr, "show this help",
     [](SimOptions *o, const char *) { o->help = true; return true; }},
};


}  // namespace

void Sim_PrintUsage(FILE *out)
{
    fprintf(out,
            "usage: zarksim [options]\n"
            "Runs the game headless: one frame per virtual 25 ms tick, no window but a hidden one\n"
            "for the hardware device, and sound only into the file --audio names.\n"
            "The title is left at the first frame, the frames run, then Escape ends the game;\n"
            "zarksim exits with the game's exit code. Message boxes go to standard error.\n\n");
    for (const Option &o : OPTIONS) {
        std::string left = std::string(o.name) + (o.value ? std::string(" ") + o.value : "");
        fprintf(out, "  %-20s %s\n", left.c_str(), o.help);
    }
}

int Sim_ParseArgs(int argc, char **argv, SimOptions *options, std::string *error)
{
    for (int i = 1; i < argc; i++) {
        const Option *found = nullptr;
        for (const Option &o : OPTIONS)
            if (strcmp(argv[i], o.name) == 0)
                found = &o;
        if (!found) {
            *error = std::string("unknown option ") + argv[i];
            return 0;
        }
        const char *value = nullptr;
        if (found->value) {
            if (i + 1 >= argc) {
                *error = std::string(found->name) + " needs " + found->value;
                return 0;
            }
            value = argv[++i];
        }
        if (!found->apply(options, value)) {
            *error = std::string("bad value for ") + found->name + ": " + value;
            return 0;
        }
    }
    return 1;
}

namespace {

// Reads a key script, or with `recording` a recorded game, whose other lines it fills in.
int ReadScript(const char *path, std::vector<HeadlessEvent> *events, SimRecording *recording,
               std::string *error)
{
    FILE *opened = Platform_OpenFile(path, "r");
    if (!opened) {
        *error = std::string(recording ? "cannot read recording " : "cannot read key script ") +
                 path;
        return 0;
    }
    std::string text;
    char block[4096];
    for (size_t got; (got = fread(block, 1, sizeof block, opened)) > 0;)
        text.append(block, got);
    fclose(opened);
    std::istringstream file(text);
    std::string line;
    for (int number = 1; std::getline(file, line); number++) {
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream in(line);
        std::vector<std::string> w;
        for (std::string word; in >> word;)
            w.push_back(word);
        if (w.empty())
            continue;
        long f, c;
        bool good = false;
        if (recording && w.size() == 2 && w[0] == "zarkride-recording") {
            good = w[1] == "1";
        } else if (recording && w.size() == 2 && w[0] == "clock") {
            good = ParseNumber(w[1].c_str(), 0, 0xFFFFFFFFL, &c);
            if (good)
                recording->clockReadings.push_back((uint32_t)c);
        } else if (recording && w.size() == 2 && w[0] == "end") {
            good = ParseNumber(w[1].c_str(), 0, 100000000L, &recording->end);
        } else if (recording && w.size() == 2 && w[0] == "state-hash") {
            good = w[1].size() == 16 && w[1].find_first_not_of("0123456789abcdef") == std::string::npos;
            recording->stateHash = w[1];
        } else if (w.size() == 3 && (w[1] == "down" || w[1] == "up") &&
                   ParseNumber(w[0].c_str(), 1, 100000000L, &f) &&
                   ParseNumber(w[2].c_str(), 0, 255, &c)) {
            events->push_back({f, w[1] == "down" ? (int)EV_KEY_DOWN : (int)EV_KEY_UP, (int)c});
            good = true;
        }
        if (!good) {
            *error = std::string(path) + ":" + std::to_string(number) + ": expected " +
                     (recording ? "a line of a zarkride recording" : "\"FRAME down|up CODE\"");
            return 0;
        }
    }
    if (recording && (recording->end < 0 || recording->clockReadings.empty())) {
        *error = std::string(path) + " is not a whole recording: it has no end or no clock line";
        return 0;
    }
    // The front end plays events in order; keys of one frame keep the order of the file.
    std::stable_sort(events->begin(), events->end(),
                     [](const HeadlessEvent &a, const HeadlessEvent &b) { return a.frame < b.frame; });
    return 1;
}

}  // namespace

int Sim_ReadKeys(const char *path, std::vector<HeadlessEvent> *events, std::string *error)
{
    return ReadScript(path, events, nullptr, error);
}

int Sim_ReadRecording(const char *path, SimRecording *recording, std::string *error)
{
    return ReadScript(path, &recording->keys, recording, error);
}

namespace {

// A hidden window for the hardware device to draw in; null without a display.
SDL_Window *OpenHiddenWindow(int width, int height)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "zarksim: no display for the hardware device: %s\n", SDL_GetError());
        return nullptr;
    }
    SDL_Window *window = SDL_CreateWindow("zarksim", 0, 0, width, height,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        fprintf(stderr, "zarksim: cannot make a window: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    return window;
}

// A WAV file of 16-bit stereo frames at the loopback device's rate.
bool WriteAudio(const std::string &path, const std::vector<int16_t> &frames)
{
    std::vector<uint8_t> bytes;
    auto put = [&bytes](uint32_t value, int size) {
        for (int i = 0; i < size; i++)
            bytes.push_back((uint8_t)(value >> (8 * i)));
    };
    auto tag = [&bytes](const char *text) { bytes.insert(bytes.end(), text, text + 4); };
    const uint32_t dataSize = (uint32_t)(frames.size() * 2), rate = OPENAL_RENDER_RATE;
    tag("RIFF"), put(36 + dataSize, 4), tag("WAVE"), tag("fmt "), put(16, 4);
    put(1, 2), put(2, 2), put(rate, 4), put(rate * 4, 4), put(4, 2), put(16, 2);
    tag("data"), put(dataSize, 4);
    for (int16_t sample : frames)
        put((uint16_t)sample, 2);
    FILE *file = Platform_OpenFile(path.c_str(), "wb");
    if (!file)
        return false;
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

int SaveScreen(const char *path)
{
    return g_gfxDeviceKind == GFX_DEVICE_HAL ? GlDevice_SavePng(path) : SoftDevice_SavePng(path);
}

}  // namespace

int Sim_Run(const SimOptions &options, const std::vector<HeadlessEvent> &keys)
{
    SDL_Window *window = nullptr;
    if (options.gl) {
        window = OpenHiddenWindow(options.width, options.height);
        if (!window)
            return 1;
        GFX_SetDeviceLayer(FallbackDevice_Start(&g_glDevice, &g_softDevice));
    } else {
        GFX_SetDeviceLayer(&g_softDevice);
    }

    // A screenshot of a frame the run never reaches would silently be missing.
    for (const SimOptions::Screenshot &shot : options.screenshots) {
        if (shot.frame > options.frames) {
            fprintf(stderr, "zarksim: no frame %ld to save as %s: the run has %ld frames\n",
                    shot.frame, shot.path.c_str(), options.frames);
            return 1;
        }
    }
    // Passes count from 1; the title is left just before pass `title`, and frame f of play is
    // pass f + title - 1.
    const long shift = options.title - 1;
    const int leaveKey = options.demo ? (int)'D' : (int)VK_F8;
    HeadlessScript script;
    script.clockSeconds = options.seed;
    script.clockReadings = options.clockReadings;
    if (!options.replay) {
        script.events.push_back({options.title, EV_KEY_DOWN, leaveKey});
        script.events.push_back({options.title, EV_KEY_UP, leaveKey});
    }
    // Keys after the last frame are never pressed: the Escape that ends the run comes first. A
    // replay also has the keys taken after its last frame, up to the one that ended the game.
    const long lastPass = options.frames + options.title - (options.replay ? 0 : 1);
    for (HeadlessEvent key : keys) {
        key.frame += shift;
        if (key.frame <= lastPass)
            script.events.push_back(key);
    }
    script.events.push_back({options.frames + options.title, EV_KEY_DOWN, VK_ESCAPE});
    std::stable_sort(script.events.begin(), script.events.end(),
                     [](const HeadlessEvent &a, const HeadlessEvent &b) { return a.frame < b.frame; });
    script.maxPasses = options.frames + options.title;
    script.window = window;
    script.onMessageBox = [](const char *text) { fprintf(stderr, "message box: %s\n", text); };
    const bool hearing = !options.audioFile.empty();
    if (hearing)
        SND_SetBackend(OpenAL_LoopbackBackend());
    std::vector<int16_t> heard;
    int failedShots = 0;
    script.afterPass = [&options, &failedShots, &heard, hearing, shift](long pass) {
        // Every pass after the first brought one 25 ms tick.
        if (hearing && pass >= 1) {
            const int count = OPENAL_RENDER_RATE / 40;
            heard.resize(heard.size() + count * 2);
            OpenAL_Render(&heard[heard.size() - count * 2], count);
        }
        if (options.afterFrame && pass > shift)
            options.afterFrame(pass - shift);
        long frame = pass - shift;
        if (options.progress && pass > shift && (frame % 10000 == 0 || frame == options.frames))
            fprintf(stderr, "zarksim: frame %ld of %ld, peak memory %ld KiB\n", frame,
                    options.frames, Sim_PeakMemoryKib());
        for (const SimOptions::Screenshot &shot : options.screenshots) {
            long at = shot.frame == 0 ? 0 : shot.frame + shift;
            if (at == pass && !SaveScreen(shot.path.c_str())) {
                fprintf(stderr, "zarksim: cannot write %s\n", shot.path.c_str());
                failedShots++;
            }
        }
    };

    Game_InitState();
    g_gfxDeviceKind = GFX_DEVICE_HAL;   // each run tries the hardware device afresh
    int exitCode = App_Main(Headless_Start(script));
    bool noHardware = options.gl && g_gfxDeviceKind != GFX_DEVICE_HAL;
    GFX_ReleaseTextures();
    bool audioWritten = true;
    if (hearing) {
        SND_SetBackend(nullptr);
        audioWritten = WriteAudio(options.audioFile, heard);
        if (!audioWritten)
            fprintf(stderr, "zarksim: cannot write %s\n", options.audioFile.c_str());
    }
    if (window) {
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    GFX_SetDeviceLayer(&g_softDevice);
    if (noHardware)
        fprintf(stderr, "zarksim: no OpenGL 3.3 core device could be made; the software device "
                        "drew instead\n");
    return exitCode != 0 ? exitCode : failedShots || noHardware || !audioWritten ? 1 : 0;
}

long Sim_PeakMemoryKib()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

uint64_t Sim_StateHash()
{
    return Game_StateHash();
}

void Sim_PrintState(FILE *out)
{
    for (int slot = 0; slot < cycleCount; slot++) {
        const Cycle &c = cycles[slot];
        int nodes = 0;
        for (const TrailNode *n = c.trailHead; n; n = n->next)
            nodes++;
        fprintf(out, "cycle %d x=%.3f z=%.3f heading=%d speed=%.3f score=%d crashTimer=%d nodes=%d\n",
                slot, c.x, c.z, c.heading, c.speed, c.score, c.crashTimer, nodes);
    }
    fprintf(out, "state-hash %016llx\n", (unsigned long long)Sim_StateHash());
}
