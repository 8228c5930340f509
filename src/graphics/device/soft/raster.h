// raster.h -- the software device's rasteriser: fans and strips of pre-transformed vertices into
// a page of 5-6-5 pixels with a 16-bit depth buffer.
#pragma once

#include <cstdint>

#include "graphics/device/tlvertex.h"

struct RasterTarget {
    uint16_t *colour;       // 5-6-5 pixels
    int colourPitch;        // pixels from one row to the next
    uint16_t *depth;        // null: no depth buffer
    int depthPitch;         // depth values from one row to the next
    int width, height;
};

struct RasterTexture {
    const uint16_t *texels; // 5-6-5, rows one after another, first row first
    int width, height;
};

struct RasterState {
    const RasterTexture *texture = nullptr;  // null: vertex colour only
    bool colourKey = false;    // texels of value 0 (black) are not drawn at all
    bool depthTest = true;     // a pixel passes when its depth <= the stored depth
    bool depthWrite = true;
    bool gouraud = true;       // false: the whole primitive takes its first vertex's colour
};

// Triangles (v0, v[i], v[i+1]) for i = 1 .. count-2, either winding.
void Raster_DrawTriangleFan(const RasterTarget &target, const RasterState &state,
                            const TLVertex *vertices, int count);
// One-pixel lines (v[i], v[i+1]) for i = 0 .. count-2.
void Raster_DrawLineStrip(const RasterTarget &target, const RasterState &state,
                          const TLVertex *vertices, int count);
