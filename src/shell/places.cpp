// places.cpp -- the game's folders, after the XDG base-directory conventions.
#include "shell/places.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"

#include "platform/files.h"

namespace {

// The file whose presence marks a folder as the game's data folder: the one file it cannot run
// without.
const char MODEL_FILE[] = "zark2.wrl";

bool IsFile(const std::string &path)
{
    return Platform_IsFile(path.c_str());
}

bool SameFolder(const std::string &a, const std::string &b)
{
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// $variable when it is set to an absolute path (relative ones are to be ignored), else
// $HOME/fallback; "" when there is no home either.
std::string BaseFolder(const char *variable, const char *fallback)
{
    const char *value = getenv(variable);
    if (value && value[0] == '/')
        return value;
    const char *home = getenv("HOME");
    if (!home || !*home)
        return "";
    return std::string(home) + "/" + fallback;
}

// mkdir -p, for folders of the player's own.
bool MakeFolders(const std::string &path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

const char REPLAY_SUFFIX[] = ".zrec";
constexpr size_t STAMP_LENGTH = 19;     // YYYY-MM-DD_HH-MM-SS
constexpr int MAX_SAME_SECOND = 999;    // games started in one second that get a file of their own

// The place in the order of recordings of a name the game gives: its time stamp, then its
// number within that second (1 for none); false for any other name.
bool ReplayOrder(const char *name, std::string *stamp, int *number)
{
    static const char shape[] = "dddd-dd-dd_dd-dd-dd";
    for (size_t i = 0; i < STAMP_LENGTH; i++)
        if (shape[i] == 'd' ? !isdigit((unsigned char)name[i]) : name[i] != shape[i])
            return false;
    const char *rest = name + STAMP_LENGTH;
    *number = 1;
    if (*rest == '-') {
        char *after;
        long n = strtol(rest + 1, &after, 10);
        if (!isdigit((unsigned char)rest[1]) || rest[1] == '0' || n < 2 || n > MAX_SAME_SECOND)
            return false;
        *number = (int)n;
        rest = after;
    }
    if (strcmp(rest, REPLAY_SUFFIX) != 0)
        return false;
    stamp->assign(name, STAMP_LENGTH);
    return true;
}

}  // namespace

std::string Places_DataFolder(const std::string &exe, const std::string &installedDir)
{
    const char *chosen = getenv("ZARKRIDE_DATA");
    if (chosen && *chosen)
        return chosen;
    size_t slash = exe.rfind('/');
    if (slash != std::string::npos) {
        std::string beside = exe.substr(0, slash == 0 ? 1 : slash);
        if (IsFile(beside + "/" + MODEL_FILE))
            return beside;
    }
    if (!installedDir.empty() && IsFile(installedDir + "/" + MODEL_FILE))
        return installedDir;
    return "";
}

std::string Places_InstalledFolder(const std::string &exe, const std::string &fromBin,
                                   const std::string &configured)
{
    size_t slash = exe.rfind('/');
    if (slash != std::string::npos) {
        std::string moved = exe.substr(0, slash + 1) + fromBin;
        if (IsFile(moved + "/" + MODEL_FILE))
            return moved;
    }
    return configured;
}

std::string Places_PlayerSetup()
{
    std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
    if (config.empty())
        return "";
    std::string path = config + "/zarkride/setup.txt";
    return IsFile(path) ? path : "";
}

std::string Places_LogFolder(const std::string &dataDir, const std::string &installedDir)
{
    if (!SameFolder(dataDir, installedDir) && access(dataDir.c_str(), W_OK) == 0)
        return dataDir;
    std::string state = BaseFolder("XDG_STATE_HOME", ".local/state");
    if (state.empty())
        return "";
    std::string folder = state + "/zarkride";
    return MakeFolders(folder) ? folder : "";
}

std::string Places_ReplayFolder()
{
    std::string state = BaseFolder("XDG_STATE_HOME", ".local/state");
    return state.empty() ? "" : state + "/zarkride/replays";
}

std::vector<std::string> Places_Replays(const std::string &folder)
{
    struct Found {
        std::string stamp;
        int number;
        std::string name;
    };
    std::vector<Found> found;
    if (DIR *dir = opendir(folder.c_str())) {
        while (const dirent *entry = readdir(dir)) {
            Found f;
            if (ReplayOrder(entry->d_name, &f.stamp, &f.number)) {
                f.name = entry->d_name;
                found.push_back(f);
            }
        }
        closedir(dir);
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.number < b.number;
    });
    std::vector<std::string> paths;
    for (const Found &f : found)
        paths.push_back(folder + "/" + f.name);
    return paths;
}

std::string Places_LatestReplay()
{
    std::string folder = Places_ReplayFolder();
    if (folder.empty())
        return "";
    std::vector<std::string> replays = Places_Replays(folder);
    for (auto newest = replays.rbegin(); newest != replays.rend(); ++newest)
        if (IsFile(*newest))
            return *newest;
    return "";
}

int Places_NewReplay(time_t when, int keep, std::string *path)
{
    std::string folder = Places_ReplayFolder();
    if (folder.empty()) {
        errno = ENOENT;
        return -1;
    }
    if (!MakeFolders(folder))
        return -1;
    struct tm local = {};
    if (!localtime_r(&when, &local)) {
        errno = EINVAL;
        return -1;
    }
    char stamp[64];
    snprintf(stamp, sizeof stamp, "%04d-%02d-%02d_%02d-%02d-%02d", local.tm_year + 1900,
             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    int fd = -1;
    for (int number = 1; fd < 0 && number <= MAX_SAME_SECOND; number++) {
        char name[96];
        if (number == 1)
            snprintf(name, sizeof name, "%s%s", stamp, REPLAY_SUFFIX);
        else
            snprintf(name, sizeof name, "%s-%d%s", stamp, number, REPLAY_SUFFIX);
        *path = folder + "/" + name;
        // Only a file made here and now: never one already there, nor through a link.
        fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                  0644);
        if (fd < 0 && errno != EEXIST)
            return -1;
    }
    if (fd < 0)
        return -1;      // errno is still EEXIST
    std::vector<std::string> replays = Places_Replays(folder);
    for (size_t i = 0; i + keep < replays.size(); i++)
        if (replays[i] != *path)
            unlink(replays[i].c_str());
    return fd;
}
