// vertex.h -- the one vertex record of the game: trail nodes, arena, model, pipeline and device all
// keep their points in it, so a point goes from the world to the screen without changing shape.
#pragma once

#include <cstddef>

// 27 single-precision fields; each stage of the pipeline writes its own and leaves the rest alone.
struct Vertex {
    float sx, sy;             // screen position: pixels from the left edge, and up from the bottom edge
    float spare2, spare3;
    float r, g, b, a;         // colour on a 0..256 scale, set by whoever makes the shape
    float depth;              // projected depth
    float spare9, spare10, spare11, spare12, spare13, spare14, spare15;
    float u, v;               // working texture coordinates, interpolated by the clipper
    float srcU, srcV;         // texture coordinates the shape is built with
    float wx, wy, wz;         // world position (model coordinates in a model vertex)
    float vx, vy, vz, vw;     // view-space position and homogeneous w
};

// Arrays of vertices are handed around as a count and a pointer and read with no gaps, and the
// drawing layer finds each field at its fixed place.
static_assert(sizeof(Vertex) == 108, "Vertex must be 27 packed floats");
static_assert(offsetof(Vertex, r) == 4 * 4, "colour starts at field 4");
static_assert(offsetof(Vertex, depth) == 8 * 4, "depth is field 8");
static_assert(offsetof(Vertex, u) == 16 * 4, "u, v are fields 16 and 17");
static_assert(offsetof(Vertex, srcU) == 18 * 4, "source u, v are fields 18 and 19");
static_assert(offsetof(Vertex, wx) == 20 * 4, "world position is fields 20 to 22");
static_assert(offsetof(Vertex, vx) == 23 * 4, "view position is fields 23 to 26");
