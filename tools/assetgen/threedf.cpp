// threedf.cpp -- writes .3df texture files: header, texel encodings and the box-filtered mip chain.
#include "threedf.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "output.h"

Image TDF_HalveImage(const Image &image)
{
    int stepX = image.width > 1 ? 2 : 1;
    int stepY = image.height > 1 ? 2 : 1;
    Image half(image.width / stepX, image.height / stepY);
    int count = stepX * stepY;
    for (int y = 0; y < half.height; y++)
        for (int x = 0; x < half.width; x++)
            for (int c = 0; c < 4; c++) {
                int sum = 0;
                for (int dy = 0; dy < stepY; dy++)
                    for (int dx = 0; dx < stepX; dx++)
                        sum += image.At(x * stepX + dx, y * stepY + dy)[c];
                half.At(x, y)[c] = uint8_t((sum + count / 2) / count);
            }
    return half;
}

static int Round(int value, int top)
{
    return (value * top + 127) / 255;
}

// 3-3-2 colour has only 8 steps of red and green, so a fiery ramp would show hard bands; an
// ordered 4 x 4 dither spreads the steps out. Black and full channels come out exact.
static const uint8_t BAYER4[4][4] = {
    {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

static int Dither(int value, int top, int x, int y)
{
    return (value * top * 32 + (BAYER4[y & 3][x & 3] * 2 + 1) * 255) / (255 * 32);
}

static void EncodeLevel(const Image &level, TexelFormat format, std::vector<uint8_t> *out)
{
    for (int y = 0; y < level.height; y++)
        for (int x = 0; x < level.width; x++) {
            const uint8_t *t = level.At(x, y);
            if (format == TEXELS_RGB565) {
                int v = Round(t[0], 31) << 11 | Round(t[1], 63) << 5 | Round(t[2], 31);
                out->push_back(uint8_t(v >> 8));
                out->push_back(uint8_t(v & 0xFF));
            } else {
                int colour = Dither(t[0], 7, x, y) << 5 | Dither(t[1], 7, x, y) << 2 |
                             Dither(t[2], 3, x, y);
                // The software device keys on black and the hardware device on alpha; a texel
                // that has lost all its colour must be see-through on both.
                out->push_back(colour ? t[3] : 0);
                out->push_back(uint8_t(colour));
            }
        }
}

bool TDF_Encode(const Image &image, TexelFormat format, std::vector<uint8_t> *file,
                std::string *error)
{
    int side = image.width;
    if (image.height != side || side < 1 || side > 256 || (side & (side - 1)) ||
        image.rgba.size() != size_t(side) * side * 4) {
        *error = "texture must be square with a power-of-two side of 1 to 256 texels, not " +
                 std::to_string(image.width) + " x " + std::to_string(image.height);
        return false;
    }
    char header[128];
    int length = snprintf(header, sizeof header,
                          "3df v1.1\n%s\nlod range: %d %d\naspect ratio: 1 1\n",
                          format == TEXELS_RGB565 ? "rgb565" : "argb8332", 1, side);
    file->assign(header, header + length);
    Image level = image;
    for (;;) {
        EncodeLevel(level, format, file);
        if (level.width == 1)
            break;
        level = TDF_HalveImage(level);
    }
    return true;
}

bool TDF_Write(const std::string &path, const Image &image, TexelFormat format, std::string *error)
{
    std::vector<uint8_t> bytes;
    if (!TDF_Encode(image, format, &bytes, error))
        return false;
    return WriteWholeFile(path, bytes.data(), bytes.size(), error);
}
