// png_write.h -- a picture of the screen saved as a PNG, for tools and tests.
#pragma once

#include <cstdint>

// Writes width x height pixels of red, green and blue bytes, rows top first; 1 when written.
int Device_WritePng(const char *path, const uint8_t *rgb, int width, int height);
