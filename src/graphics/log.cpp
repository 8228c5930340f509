// log.cpp -- the error log, "error.txt": one line per failure, appended, never read back.
#include "graphics/gfx.h"

#include <cstdarg>
#include <cstdio>

enum { LOG_LINE_MAX = 4096 };

void GFX_LogError(const char *path, const char *format, ...)
{
    char message[LOG_LINE_MAX];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);

    // Opened and closed for every line, so each one is on disk before the caller goes on.
    FILE *log = fopen(path, "a");
    if (!log)
        return;
    fprintf(log, "%s\n", message);
    fclose(log);
}
