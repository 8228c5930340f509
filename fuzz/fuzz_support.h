// fuzz_support.h -- what every fuzz target shares: a private working folder that the game's
// loaders read their files from, the input written there under the name the game opens, and the
// graphics started on the software device without taking over the crash signals.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include "graphics/device/soft/soft_device.h"
#include "graphics/gfx.h"

namespace fuzz {

// Says what went wrong where the fuzzer's own report goes (it closes the target's stderr, see
// scripts/fuzz.sh), then ends the run as a finding.
[[noreturn]] inline void Fail(const char *format, ...) __attribute__((format(printf, 1, 2)));
inline void Fail(const char *format, ...)
{
    char text[512] = "zarkfuzz: ";
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text + strlen(text), sizeof text - strlen(text), format, arguments);
    va_end(arguments);
    __sanitizer_report_error_summary(text);
    abort();
}

// The game reads its files from, and writes error.txt to, the folder it works in. Each input is
// handled in a fresh folder of its own (in memory where the system offers one, so millions of
// small files cost no disk), and the fuzzer's own files (corpus, dictionary, findings) stay
// relative to the folder it was started in: the folder is changed only while an input runs.
struct Folders {
    int started = -1;    // where the fuzzer was started
    int own = -1;
    std::string ownPath;
};

inline Folders &TheFolders()
{
    static Folders folders;
    return folders;
}

// While one of these lives, the working folder is the private one.
class InPrivateFolder {
public:
    InPrivateFolder()
    {
        if (fchdir(TheFolders().own) != 0)
            Fail("cannot work in %s", TheFolders().ownPath.c_str());
    }
    ~InPrivateFolder()
    {
        if (fchdir(TheFolders().started) != 0)
            Fail("cannot go back to the folder the run started in");
    }
    InPrivateFolder(const InPrivateFolder &) = delete;
    InPrivateFolder &operator=(const InPrivateFolder &) = delete;
};

// Makes the private folder; it goes when the run ends. A finding is written where the fuzzer
// was started unless the command line says where.
inline void MakePrivateFolder(int *argc, char ***argv)
{
    Folders &folders = TheFolders();
    char pattern[64];
    snprintf(pattern, sizeof pattern, "%s/zarkfuzz-XXXXXX",
             access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    if (!mkdtemp(pattern))
        Fail("cannot make a working folder: %s", strerror(errno));
    folders.ownPath = pattern;
    folders.own = open(pattern, O_RDONLY | O_DIRECTORY);
    folders.started = open(".", O_RDONLY | O_DIRECTORY);
    if (folders.own < 0 || folders.started < 0)
        Fail("cannot open the working folders: %s", strerror(errno));
    atexit([] {
        std::string command = "rm -rf '" + TheFolders().ownPath + "'";
        if (system(command.c_str()) != 0)
            fprintf(stderr, "zarkfuzz: could not remove %s\n", TheFolders().ownPath.c_str());
    });

    static std::vector<char *> arguments(*argv, *argv + *argc);
    for (char *a : arguments)
        if (strncmp(a, "-artifact_prefix=", 17) == 0 || strncmp(a, "-exact_artifact_path=", 21) == 0)
            return;
    static std::string prefix;
    char *here = getcwd(nullptr, 0);
    prefix = std::string("-artifact_prefix=") + (here ? here : ".") + "/";
    free(here);
    arguments.insert(arguments.begin() + 1, &prefix[0]);
    arguments.push_back(nullptr);
    *argc = (int)arguments.size() - 1;
    *argv = arguments.data();
}

inline void WriteInput(const char *name, const uint8_t *data, size_t size)
{
    FILE *file = fopen(name, "wb");
    if (!file || fwrite(data, 1, size, file) != size || fclose(file) != 0)
        Fail("cannot write %s: %s", name, strerror(errno));
}

// The graphics start-up installs a handler that gives the display back on a crash and raises the
// signal again. Under a fuzzer the sanitizer's own handlers must stay in place, or a crash would
// end the run without a report or the input that caused it.
template <typename Start>
inline int KeepingCrashHandlers(Start start)
{
    struct sigaction segv, ill;
    sigaction(SIGSEGV, nullptr, &segv);
    sigaction(SIGILL, nullptr, &ill);
    int result = start();
    sigaction(SIGSEGV, &segv, nullptr);
    sigaction(SIGILL, &ill, nullptr);
    return result;
}

// The graphics on the software device with its pages in memory, as the game falls back to it
// when no hardware device can be had. The data files it would load are not there: the font,
// floor, wall and explosion textures stay null, which the game copes with.
inline void StartSoftwareGraphics()
{
    GFX_SetDeviceLayer(&g_softDevice);
    g_gfxDeviceKind = GFX_DEVICE_HAL;
    if (!KeepingCrashHandlers([] { return GFX_Init(nullptr); }))
        Fail("the software device did not start");
    remove("error.txt");
}

// A property every input must keep; a broken one is a finding like a crash.
#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                  \
        if (!(condition))                                                                 \
            fuzz::Fail("%s:%d: check failed: %s", __FILE__, __LINE__, #condition);        \
    } while (0)

}  // namespace fuzz
