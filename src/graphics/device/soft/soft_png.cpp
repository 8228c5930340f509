// soft_png.cpp -- the page on show saved as a PNG: what a player would see, for tools and tests.
#include "graphics/device/soft/soft_device.h"

#include <cstddef>
#include <vector>

#include "graphics/device/png_write.h"

int SoftDevice_SavePng(const char *path)
{
    const uint16_t *pixels;
    int pitch, width, height;
    if (!SoftDevice_FrontPage(&pixels, &pitch, &width, &height))
        return 0;
    // 5-6-5 widened to 8 bits a channel by repeating the top bits, so white stays white.
    std::vector<uint8_t> rgb((size_t)width * height * 3);
    uint8_t *out = rgb.data();
    for (int y = 0; y < height; y++) {
        const uint16_t *p = pixels + (size_t)y * pitch;
        for (int x = 0; x < width; x++, out += 3) {
            int r = p[x] >> 11, g = (p[x] >> 5) & 63, b = p[x] & 31;
            out[0] = (uint8_t)(r << 3 | r >> 2);
            out[1] = (uint8_t)(g << 2 | g >> 4);
            out[2] = (uint8_t)(b << 3 | b >> 2);
        }
    }
    return Device_WritePng(path, rgb.data(), width, height);
}
