// title.h -- the title picture the game shows until the first key press.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "threedf.h"

// The game decodes the picture straight into its 640 x 480 screen and then writes two lines of
// text over rows 455..469 (counted from the top). Every row from TITLE_BAND_TOP down is kept
// near-black so that those lines sit on a clean dark band.
enum { TITLE_WIDTH = 640, TITLE_HEIGHT = 480, TITLE_BAND_TOP = 440 };

// Paints the picture from code: the name "ZARKRIDE" set in DejaVu Sans Bold with a neon outline,
// over an arena floor whose grid runs to a glowing horizon, where three cycles race trailing
// their walls. The same pixels on every run. Returns false with `error` set when the font
// cannot be used.
bool Title_Paint(Image *out, std::string *error);

// A baseline JPEG of `image`'s colour (alpha is dropped): three components, quality 90, full
// colour resolution so that thin neon lines keep their hue. Returns false with `error` set when
// the encoder fails.
bool Title_EncodeJpeg(const Image &image, std::vector<uint8_t> *file, std::string *error);

// Paints the picture and writes it as a JPEG to `path` through a temporary file, so that a
// failed run leaves no half file.
bool Title_WriteJpeg(const std::string &path, std::string *error);
