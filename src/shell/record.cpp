// record.cpp -- writes the recording line by line, so a game that ends badly still leaves what
// led up to it. A recording that cannot be written is said once, and the game plays on.
#include "shell/record.h"

#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/game.h"
#include "graphics/gfx.h"
#include "platform/files.h"
#include "shell/shell.h"

const char RECORDING_GAME_VERSION[] = ZARKRIDE_VERSION;

static FILE *recording = nullptr;
static std::string recordingPath;

// Ends the recording where it stands after a write failed, saying so on standard error and in
// the log: the game goes on without it.
static void GiveUp(int error)
{
    fprintf(stderr, "zarkride: cannot write the recording %s: %s; the game goes on unrecorded\n",
            recordingPath.c_str(), strerror(error));
    GFX_LogError("error.txt", "Record : cannot write %s : %s", recordingPath.c_str(),
                 strerror(error));
    fclose(recording);
    recording = nullptr;
}

// One or more whole lines, handed to the system at once.
static void Write(const char *format, ...)
{
    if (!recording)
        return;
    va_list args;
    va_start(args, format);
    int written = vfprintf(recording, format, args);
    va_end(args);
    if (written < 0 || fflush(recording) != 0)
        GiveUp(errno ? errno : EIO);
}

uint64_t Record_Fnv(const void *data, size_t size, uint64_t hash)
{
    const unsigned char *p = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < size; i++)
        hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

uint64_t Record_DataHash()
{
    FILE *file = Platform_OpenFile(RECORDING_DATA_FILE, "rb");
    uint64_t hash = RECORDING_FNV_START;
    if (!file)
        return hash;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;)
        hash = Record_Fnv(buffer, n, hash);
    fclose(file);
    return hash;
}

std::string Record_SetupLines(const SetupValues &setup)
{
    std::string lines;
    char line[160];
    for (int n = 0; n < SETUP_COLOURS; n++) {
        const float *c = setup.colours[n];
        snprintf(line, sizeof line, "colour %d %.9g %.9g %.9g\n", n + 1, c[0], c[1], c[2]);
        lines += line;
    }
    snprintf(line, sizeof line, "groups %d %d %d\n", setup.first, setup.second, setup.scores);
    return lines + line;
}

int Record_Start(const char *path)
{
    recording = Platform_OpenFile(path, "w");
    if (!recording)
        return 0;
    recordingPath = path;
    Write("zarkride-recording 2\ngame %s\n", RECORDING_GAME_VERSION);
    return 1;
}

void Record_Clock(uint32_t seconds)
{
    Write("clock %" PRIu32 "\n", seconds);
}

void Record_Setup()
{
    if (!recording)
        return;
    std::string lines = Record_SetupLines(g_setup);
    Write("data %s %016" PRIx64 "\nsetup %016" PRIx64 "\n%s", RECORDING_DATA_FILE,
          Record_DataHash(), Record_Fnv(lines.data(), lines.size()), lines.c_str());
}

void Record_Play(int demo)
{
    Write("play %s\n", demo ? "demo" : "game");
}

void Record_Command(const GameCommand &command)
{
    Write("%" PRId32 " %d %s\n", command.frame, command.slot, COMMAND_NAMES[command.what]);
}

void Record_Frame(long frame)
{
    if (recording && frame % RECORDING_HASH_EVERY == 0)
        Write("hash %ld %016" PRIx64 "\n", frame, Game_SharedStateHash());
}

void Record_Finish()
{
    if (!recording)
        return;
    Write("end %ld\nstate-hash %016" PRIx64 "\n", g_frameCount, Game_SharedStateHash());
    if (recording && fclose(recording) != 0) {
        int error = errno;
        fprintf(stderr, "zarkride: cannot write the recording %s: %s\n", recordingPath.c_str(),
                strerror(error));
        GFX_LogError("error.txt", "Record : cannot write %s : %s", recordingPath.c_str(),
                     strerror(error));
    }
    recording = nullptr;
}
