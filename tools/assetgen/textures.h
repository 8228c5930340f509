// textures.h -- the arena's pictures: floor, wall panels and the explosion.
#pragma once

#include <cstdint>

#include "threedf.h"

// A fixed pseudo-random value in 0..1 for an integer: the same on every run and every machine.
float Tex_Hash(uint32_t n);

// Pictures of 256 x 256 texels, made from code alone: the same texels on every run.

// One tile of the floor grid. The floor repeats it 64 times along each side of the arena, so a
// tile is 320 world units square; the grid lines at its edges join up with the next tile's.
Image Tex_Floor();
// One stretch of wall: eight tall panels between a glowing top rim and a kick strip at the
// floor. The wall shows the top 128 rows over its full height and repeats every 5120 units, so
// the picture repeats every 128 rows as well.
Image Tex_Wall();
// A fiery burst centred on the middle texel, on pure black so that the colour key cuts the
// background out; the explosion shows the top half, a fireball rising from the floor.
Image Tex_Kaboom();
