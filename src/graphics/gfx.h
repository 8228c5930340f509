// gfx.h -- the graphics layer: device start-up, textures, drawing, frame steps and the error log.
#pragma once

// Error log. Appends one formatted line to the log file at path and carries on; a log that cannot
// be opened loses the line silently. Messages are cut at 4095 characters.
void GFX_LogError(const char *path, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
