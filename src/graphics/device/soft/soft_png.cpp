// soft_png.cpp -- the page on show saved as a PNG: what a player would see, for tools and tests.
#include "graphics/device/soft/soft_device.h"

#include <cstddef>
#include <vector>

#include "graphics/device/png_write.h"
#include "graphics/device/rgb565.h"

int SoftDevice_SavePng(const char *path)
{
    const uint16_t *pixels;
    int pitch, width, height;
    if (!SoftDevice_FrontPage(&pixels, &pitch, &width, &height))
        return 0;
    std::vector<uint8_t> rgb((size_t)width * height * 3);
    uint8_t *out = rgb.data();
    for (int y = 0; y < height; y++) {
        const uint16_t *p = pixels + (size_t)y * pitch;
        for (int x = 0; x < width; x++, out += 3) {
            out[0] = Red8(p[x]);
            out[1] = Green8(p[x]);
            out[2] = Blue8(p[x]);
        }
    }
    return Device_WritePng(path, rgb.data(), width, height);
}
