// png_io.h -- reading and writing 8-bit RGB pictures, for the golden frames.
#pragma once

#include <png.h>

#include <string>
#include <vector>

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;     // rows top first, three bytes a pixel
};

inline bool ReadPng(const std::string &path, Picture *picture)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    picture->width = (int)image.width;
    picture->height = (int)image.height;
    picture->rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, picture->rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

inline bool WritePng(const std::string &path, const Picture &picture)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)picture.width;
    image.height = (png_uint_32)picture.height;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr) != 0;
}
