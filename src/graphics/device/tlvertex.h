// tlvertex.h -- the device's vertex: already transformed to screen pixels and already lit.
#pragma once

#include <cstdint>

struct TLVertex {
    float sx, sy;       // device pixels; rows count down from the top edge
    float sz;           // depth, 0 (near) to 1 (far)
    float rhw;          // reciprocal of w, for perspective-correct texturing
    uint32_t color;     // 0xAARRGGBB
    uint32_t specular;  // 0xAARRGGBB
    float tu, tv;       // texture coordinates; 1.0 is the texture's width or height
};
static_assert(sizeof(TLVertex) == 32, "TLVertex is 8 packed 32-bit fields");
