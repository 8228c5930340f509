// soft_png.cpp -- the page on show saved as a PNG: what a player would see, for tools and tests.
#include "graphics/device/soft/soft_device.h"

#include <png.h>

#include <cstdio>
#include <vector>

int SoftDevice_SavePng(const char *path)
{
    const uint16_t *pixels;
    int pitch, width, height;
    if (!SoftDevice_FrontPage(&pixels, &pitch, &width, &height))
        return 0;
    FILE *file = fopen(path, "wb");
    if (!file)
        return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        return 0;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // 5-6-5 widened to 8 bits a channel by repeating the top bits, so white stays white.
    std::vector<png_byte> row((size_t)width * 3);
    for (int y = 0; y < height; y++) {
        const uint16_t *p = pixels + (size_t)y * pitch;
        for (int x = 0; x < width; x++) {
            int r = p[x] >> 11, g = (p[x] >> 5) & 63, b = p[x] & 31;
            row[x * 3 + 0] = (png_byte)(r << 3 | r >> 2);
            row[x * 3 + 1] = (png_byte)(g << 2 | g >> 4);
            row[x * 3 + 2] = (png_byte)(b << 3 | b >> 2);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return fclose(file) == 0;
}
