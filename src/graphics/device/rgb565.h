// rgb565.h -- the channels of a 5-6-5 pixel widened to 8 bits by repeating their top bits, so
// that black stays black and full white stays full white: how the devices light texels and how
// a page is shown and saved.
#pragma once

#include <cstdint>

inline uint32_t Widen5(uint32_t c)
{
    return (c << 3) | (c >> 2);
}

inline uint32_t Widen6(uint32_t c)
{
    return (c << 2) | (c >> 4);
}

inline uint8_t Red8(uint16_t pixel)
{
    return (uint8_t)Widen5(pixel >> 11);
}

inline uint8_t Green8(uint16_t pixel)
{
    return (uint8_t)Widen6((pixel >> 5) & 63);
}

inline uint8_t Blue8(uint16_t pixel)
{
    return (uint8_t)Widen5(pixel & 31);
}
