// record.cpp -- writes the recording line by line, so a game that ends badly still leaves what
// led up to it. A recording that cannot be written is said once, and the game plays on. Every
// game played is recorded in the replay folder; what is known before the title is left is held
// in memory, so that a demo or a title closed again leaves no file behind.
#include "shell/record.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/game.h"
#include "graphics/gfx.h"
#include "platform/files.h"
#include "shell/places.h"
#include "shell/shell.h"

const char RECORDING_GAME_VERSION[] = ZARKRIDE_VERSION;

static FILE *recording = nullptr;
static std::string recordingPath;
static bool holding = false;        // every game is recorded: the lines wait here for the game
static std::string held;

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

// One or more whole lines, handed to the system at once (or held until the game starts).
static void Write(const char *format, ...)
{
    if (!recording && !holding)
        return;
    va_list args;
    va_start(args, format);
    if (holding) {
        char lines[1024];
        int length = vsnprintf(lines, sizeof lines, format, args);
        va_end(args);
        if (length > 0)
            held.append(lines, std::min((size_t)length, sizeof lines - 1));
        return;
    }
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

// Opens the file the player named, emptied, and locked for this game alone; -1 with the reason
// in *why. A symbolic link is not followed and a file that is not a recording is left as it is:
// either may be the game's data or the player's document, named by mistake. A file another game
// is recording into is refused, for two games written into one file make neither.
static int OpenNamed(const char *path, std::string *why)
{
    int fd = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    struct stat s = {};
    if (fd < 0) {
        *why = errno == ELOOP && lstat(path, &s) == 0 && S_ISLNK(s.st_mode)
                   ? "it is a symbolic link, which is not followed"
                   : strerror(errno);
        return -1;
    }
    char first[20] = {};
    const size_t mark = strlen("zarkride-recording");
    if (fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) {
        *why = S_ISDIR(s.st_mode) ? strerror(EISDIR) : strerror(ENXIO);
    } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *why = errno == EWOULDBLOCK ? "another game is recording into it" : strerror(errno);
    } else if (s.st_size > 0 &&
               (pread(fd, first, sizeof first, 0) <= (ssize_t)mark ||
                memcmp(first, "zarkride-recording", mark) != 0 ||
                (first[mark] != ' ' && first[mark] != '\n'))) {
        *why = "it is not a recording, and is left as it is";
    } else if (ftruncate(fd, 0) != 0) {
        *why = strerror(errno);
    } else {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return fd;
    }
    close(fd);
    return -1;
}

int Record_Start(const char *path, std::string *why)
{
    int fd = OpenNamed(path, why);
    if (fd < 0)
        return 0;
    recording = fdopen(fd, "w");
    if (!recording) {
        *why = strerror(errno);
        close(fd);
        return 0;
    }
    recordingPath = path;
    Write("zarkride-recording 2\ngame %s\n", RECORDING_GAME_VERSION);
    return 1;
}

void Record_EveryGame()
{
    holding = true;
    held.clear();
    Write("zarkride-recording 2\ngame %s\n", RECORDING_GAME_VERSION);
}

// The game has started: its file is made in the replay folder and what was held goes into it.
static void OpenReplay()
{
    holding = false;
    std::string lines;
    lines.swap(held);
    std::string path;
    int fd = Places_NewReplay(time(nullptr), RECORDING_REPLAYS_KEPT, &path);
    if (fd >= 0 && !(recording = fdopen(fd, "w"))) {
        int error = errno;
        close(fd);
        errno = error;
    }
    if (!recording) {
        const int error = errno;
        std::string folder = Places_ReplayFolder();
        if (folder.empty())
            folder = "$XDG_STATE_HOME/zarkride/replays (there is no home folder)";
        fprintf(stderr, "zarkride: cannot record the game in %s: %s; the game goes on "
                        "unrecorded\n", folder.c_str(), strerror(error));
        GFX_LogError("error.txt", "Record : cannot record in %s : %s", folder.c_str(),
                     strerror(error));
        return;
    }
    recordingPath = path;
    Write("%s", lines.c_str());
    if (!recording)
        unlink(path.c_str());   // not even its start could be written: no recording to watch
}

void Record_Clock(uint32_t seconds)
{
    Write("clock %" PRIu32 "\n", seconds);
}

void Record_Setup()
{
    if (!recording && !holding)
        return;
    std::string lines = Record_SetupLines(g_setup);
    Write("data %s %016" PRIx64 "\nsetup %016" PRIx64 "\n%s", RECORDING_DATA_FILE,
          Record_DataHash(), Record_Fnv(lines.data(), lines.size()), lines.c_str());
}

void Record_Play(int demo)
{
    if (holding && demo) {
        holding = false;        // the demo is not a game of the player's
        held.clear();
    } else if (holding) {
        OpenReplay();
    }
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
    holding = false;            // the title was never left: there was no game
    held.clear();
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
