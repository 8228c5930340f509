// font.h -- the screen text's font texture.
#pragma once

#include <string>

#include "threedf.h"

// The font the game's text is drawn in.
extern const char *const FONT_FILE;

// Cell layout the screen text reads: a 256 x 256 picture of 16 x 16 cells of 16 x 16 texels;
// character code c (0..127) sits in cell row (c + 128) / 16, column c % 16.
enum { FONT_SIDE = 256, FONT_CELL = 16 };
int Font_CellX(int code);   // left texel column of the code's cell
int Font_CellY(int code);   // top texel row of the code's cell

// Renders each character of `characters` (codes 1..127) white on black into its cell, from the
// TrueType font at `fontPath`; every other cell stays black. Returns false with `error` set when
// the font cannot be used.
bool Font_Render(const char *fontPath, const std::string &characters, Image *out,
                 std::string *error);
// The printable ASCII characters, 32..126: what the game's font texture holds.
std::string Font_PrintableAscii();
