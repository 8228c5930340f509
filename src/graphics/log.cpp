// log.cpp -- the error log, "error.txt": one line per failure, appended, never read back.
#include "graphics/gfx.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/files.h"

enum { LOG_LINE_MAX = 4096 };

static bool inFolder = false;
static std::string logFolder;

void GFX_SetLogFolder(const char *folder)
{
    inFolder = folder != nullptr;
    logFolder = folder ? folder : "";
}

void GFX_LogError(const char *path, const char *format, ...)
{
    char message[LOG_LINE_MAX];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);

    std::string where = path;
    if (inFolder && path[0] != '/') {
        if (logFolder.empty())
            return;
        where = logFolder + "/" + path;
    }
    // Opened and closed for every line, so each one is on disk before the caller goes on.
    FILE *log = Platform_OpenFile(where.c_str(), "a");
    if (!log)
        return;
    fprintf(log, "%s\n", message);
    fclose(log);
}
