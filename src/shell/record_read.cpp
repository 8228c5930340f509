// record_read.cpp -- reads a recording back. A recording may come from anybody, so every line is
// checked and bounded: a damaged or hostile file is refused with its line named, never a crash,
// a hang or memory without end.
#include "shell/record.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files.h"

namespace {

enum { MAX_LINE = 256 };

struct Reader {
    const char *path;
    Recording *r;
    std::string *error;
    long line = 0;
    long lastFrame = 0;     // frames of commands and hashes may not go back
    long commandsThisFrame = 0;

    bool Fail(const std::string &what)
    {
        *error = std::string(path) + ":" + std::to_string(line) + ": " + what;
        return false;
    }
};

// A whole decimal number in lo..hi, and nothing else.
bool Number(const char *word, long lo, long hi, long *out)
{
    if (!*word || strlen(word) > 12)
        return false;
    char *end;
    errno = 0;
    long value = strtol(word, &end, 10);
    if (*end || errno || value < lo || value > hi || (*word == '+' || isspace((unsigned char)*word)))
        return false;
    *out = value;
    return true;
}

bool Hash(const char *word, uint64_t *out)
{
    if (strlen(word) != 16 || strspn(word, "0123456789abcdef") != 16)
        return false;
    *out = strtoull(word, nullptr, 16);
    return true;
}

bool Float(const char *word, float *out)
{
    if (!*word || strlen(word) > 32)
        return false;
    char *end;
    float value = strtof(word, &end);
    if (*end || !std::isfinite(value))
        return false;
    *out = value;
    return true;
}

bool FrameInOrder(Reader &in, long frame)
{
    if (frame < in.lastFrame)
        return in.Fail("frame " + std::to_string(frame) + " comes after frame " +
                       std::to_string(in.lastFrame));
    if (frame != in.lastFrame)
        in.commandsThisFrame = 0;
    in.lastFrame = frame;
    return true;
}

// One line, split into words; false with the error set when it is not a line of the format.
bool ReadLine(Reader &in, char **w, int n)
{
    Recording &r = *in.r;
    long a, b;
    uint64_t h;
    const std::string what = w[0];
    if (in.line == 1) {
        if (n != 2 || what != "zarkride-recording" || !Number(w[1], 1, 2, &a))
            return in.Fail(what == "zarkride-recording"
                               ? "a recording of version " + std::string(n > 1 ? w[1] : "?") +
                                     ", which this game cannot play"
                               : "not a zarkride recording");
        r.version = (int)a;
        return true;
    }
    if (what == "clock" && n == 2 && Number(w[1], 0, 0xFFFFFFFFL, &a)) {
        if (r.clockReadings.size() >= RECORDING_MAX_CLOCKS)
            return in.Fail("too many clock lines");
        r.clockReadings.push_back((uint32_t)a);
        return true;
    }
    if (what == "end" && n == 2 && Number(w[1], 0, RECORDING_MAX_FRAME, &a)) {
        r.end = a;
        return true;
    }
    if (what == "state-hash" && n == 2 && Hash(w[1], &h)) {
        r.stateHash = h;
        r.hasStateHash = true;
        return true;
    }
    if (r.version == 1) {
        if (n == 3 && (!strcmp(w[1], "down") || !strcmp(w[1], "up")) &&
            Number(w[0], 1, RECORDING_MAX_FRAME, &a) && Number(w[2], 0, 255, &b)) {
            if (!FrameInOrder(in, a))
                return false;
            if (++in.commandsThisFrame > RECORDING_MAX_FRAME_COMMANDS)
                return in.Fail("too many keys in frame " + std::to_string(a));
            if (r.keys.size() >= RECORDING_MAX_COMMANDS)
                return in.Fail("too many keys");
            r.keys.push_back({a, !strcmp(w[1], "down"), (int)b});
            return true;
        }
        return in.Fail("expected a line of a zarkride recording");
    }
    if (what == "game" && n == 2 && strlen(w[1]) < 32) {
        r.gameVersion = w[1];
        return true;
    }
    if (what == "data" && n == 3 && !strcmp(w[1], RECORDING_DATA_FILE) && Hash(w[2], &h)) {
        r.dataHash = h;
        r.hasDataHash = true;
        return true;
    }
    if (what == "setup" && n == 2 && Hash(w[1], &h)) {
        r.setupHash = h;
        r.hasSetupHash = true;
        return true;
    }
    if (what == "colour" && n == 5 && Number(w[1], 1, SETUP_COLOURS, &a)) {
        float *c = r.setup.colours[a - 1];
        if (!Float(w[2], &c[0]) || !Float(w[3], &c[1]) || !Float(w[4], &c[2]))
            return in.Fail("a colour needs three numbers");
        r.colourLines |= 1 << (a - 1);
        return true;
    }
    if (what == "groups" && n == 4 && Number(w[1], 0, MAX_CYCLES - 1, &a) &&
        Number(w[2], 0, 2, &b) && a + b >= 1 && a + b <= MAX_CYCLES - 1) {
        long scores;
        if (!Number(w[3], -1000000, 1000000, &scores))
            return in.Fail("the score flag is not a number");
        r.setup.first = (int)a, r.setup.second = (int)b, r.setup.scores = (int)scores;
        r.hasGroups = true;
        return true;
    }
    if (what == "play" && n == 2 && (!strcmp(w[1], "game") || !strcmp(w[1], "demo"))) {
        r.demo = !strcmp(w[1], "demo");
        return true;
    }
    if (what == "hash" && n == 3 && Number(w[1], 1, RECORDING_MAX_FRAME, &a) && Hash(w[2], &h)) {
        if (!FrameInOrder(in, a))
            return false;
        if (r.hashes.size() >= RECORDING_MAX_COMMANDS)
            return in.Fail("too many hash lines");
        r.hashes.push_back({a, h});
        return true;
    }
    if (n == 3 && Number(w[0], 1, RECORDING_MAX_FRAME, &a) && Number(w[1], 0, MAX_CYCLES - 1, &b)) {
        int kind = 0;
        while (kind < CMD_KINDS && strcmp(w[2], COMMAND_NAMES[kind]) != 0)
            kind++;
        if (kind == CMD_KINDS)
            return in.Fail(std::string("unknown command \"") + w[2] + "\"");
        if (!FrameInOrder(in, a))
            return false;
        if (++in.commandsThisFrame > RECORDING_MAX_FRAME_COMMANDS)
            return in.Fail("too many commands in frame " + std::to_string(a));
        if (r.commands.size() >= RECORDING_MAX_COMMANDS)
            return in.Fail("too many commands");
        r.commands.push_back({(int32_t)a, (uint8_t)b, (uint8_t)kind});
        return true;
    }
    return in.Fail("expected a line of a zarkride recording");
}

}  // namespace

int Recording_Read(const char *path, Recording *recording, std::string *error)
{
    *recording = Recording();
    FILE *file = Platform_OpenFile(path, "r");
    if (!file) {
        *error = std::string("cannot read recording ") + path + ": " + strerror(errno);
        return 0;
    }
    Reader in{path, recording, error};
    char buffer[MAX_LINE + 2];
    bool good = true;
    while (good && fgets(buffer, sizeof buffer, file)) {
        in.line++;
        size_t length = strlen(buffer);
        if (length > MAX_LINE || (length == MAX_LINE + 1 && buffer[MAX_LINE] != '\n')) {
            good = in.Fail("the line is longer than " + std::to_string(MAX_LINE) + " characters");
            break;
        }
        if (memchr(buffer, 0, length) != nullptr || strlen(buffer) != length) {
            good = in.Fail("the line holds a NUL byte");
            break;
        }
        char *hash = strchr(buffer, '#');
        if (hash)
            *hash = 0;
        char *words[8];
        int n = 0;
        for (char *w = strtok(buffer, " \t\r\n"); w; w = strtok(nullptr, " \t\r\n")) {
            if (n == 8) {
                n = 9;
                break;
            }
            words[n++] = w;
        }
        if (n == 0 && in.line > 1)
            continue;
        if (n == 0 || n > 8)
            good = in.Fail(n ? "too many words" : "not a zarkride recording");
        else
            good = ReadLine(in, words, n);
    }
    fclose(file);
    if (!good)
        return 0;
    if (in.line == 0) {
        *error = std::string(path) + " is empty";
        return 0;
    }
    if (recording->clockReadings.empty()) {
        *error = std::string(path) + " has no clock line: it cannot be played";
        return 0;
    }
    if (recording->version >= 2 && !(recording->hasGroups && recording->colourLines == 31)) {
        *error = std::string(path) + " does not hold the set-up it was played with";
        return 0;
    }
    long last = in.lastFrame;
    recording->lastFrame = recording->end >= 0 ? recording->end : last;
    if (recording->end >= 0 && last > recording->end + 1) {
        *error = std::string(path) + " has commands after its end, frame " +
                 std::to_string(recording->end);
        return 0;
    }
    return 1;
}

std::string Recording_Mismatch(const Recording &r, const char *file, std::string *warning)
{
    warning->clear();
    if (r.version < 2)
        return "";
    if (r.gameVersion != RECORDING_GAME_VERSION)
        *warning = std::string(file) + " was recorded by zarkride " +
                   (r.gameVersion.empty() ? "of no version" : r.gameVersion) + ", this is " +
                   RECORDING_GAME_VERSION + ": it may not play the same";
    char hashes[80];
    if (r.hasDataHash && r.dataHash != Record_DataHash()) {
        snprintf(hashes, sizeof hashes, "fingerprint %016llx, here %016llx",
                 (unsigned long long)r.dataHash, (unsigned long long)Record_DataHash());
        return std::string(file) + " was played with another " + RECORDING_DATA_FILE + " (" +
               hashes + "): it cannot be played the same with these data files";
    }
    const std::string lines = Record_SetupLines(r.setup);
    if (r.hasSetupHash && r.setupHash != Record_Fnv(lines.data(), lines.size()))
        return std::string(file) + " is damaged: its set-up lines do not match their fingerprint";
    return "";
}
