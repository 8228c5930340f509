// output.h -- writing a finished data file in one piece.
#pragma once

#include <cstddef>
#include <string>

// Writes the bytes to a temporary file beside path, then renames it into place, so a failed run
// never leaves a half-written data file for the game to read. On failure says why in *error.
bool WriteWholeFile(const std::string &path, const void *data, size_t size, std::string *error);
