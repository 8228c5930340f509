// threedf.h -- pictures as the tool builds them, and the .3df texture files the game loads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A picture being made: 8 bits per channel, rows top first, texels red, green, blue, alpha.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(size_t(w) * h * 4, 0) {}
    uint8_t *At(int x, int y) { return &rgba[(size_t(y) * width + x) * 4]; }
    const uint8_t *At(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

// The two texel encodings the game's texture loader knows.
enum TexelFormat {
    TEXELS_RGB565,   // opaque 5-6-5, high byte first
    TEXELS_ARGB8332  // alpha byte, then red 3, green 3, blue 2 bits; black texels are transparent
};

// Mip chain. The next level down: each texel the rounded mean of a 2 x 2 block (a 1-texel side
// stays 1).
Image TDF_HalveImage(const Image &image);

// File making. The whole file for `image` (square, a power of two from 1 to 256 texels on a side):
// the four header lines, then every level from the full size down to 1 x 1. Returns false with
// `error` set when the picture cannot be stored in the format.
bool TDF_Encode(const Image &image, TexelFormat format, std::vector<uint8_t> *file,
                std::string *error);
// Encodes and writes `path` through a temporary file, so that a failed run leaves no half file.
bool TDF_Write(const std::string &path, const Image &image, TexelFormat format,
               std::string *error);
