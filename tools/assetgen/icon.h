// icon.h -- the game's icon for the desktop's menus and task bars.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "threedf.h"

// The sizes the desktop entry's icon comes in, in pixels a side.
enum { ICON_SMALL = 48, ICON_MEDIUM = 128, ICON_LARGE = 256 };

// Paints the icon `size` pixels square from code: a cyan cycle seen side-on on the arena's dark
// grid, its wall streaming in from the horizon and turning after it, under the magenta haze of
// the title picture. A rounded plate on a transparent ground; lines keep at least a pixel's
// width, so the small size stays readable. The same pixels on every run.
Image Icon_Paint(int size);

// A PNG of `image` with its alpha: 8 bits a channel, no time stamp, so the same picture always
// gives the same bytes. Returns false with `error` set when the encoder fails.
bool Icon_EncodePng(const Image &image, std::vector<uint8_t> *file, std::string *error);

// Paints the icon at `size` and writes it as a PNG to `path` through a temporary file, so that a
// failed run leaves no half file.
bool Icon_WritePng(const std::string &path, int size, std::string *error);
