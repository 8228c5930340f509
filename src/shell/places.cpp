// places.cpp -- the game's folders, after the XDG base-directory conventions.
#include "shell/places.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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
