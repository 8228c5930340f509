// painter.h -- paints the neon arena of the title picture and the icon, as a style record says.
#pragma once

#include <vector>

#include "paint.h"

// A picture in floating point, rows top first.
typedef std::vector<Colour> Canvas;

// A place on the arena's floor.
struct Point {
    float x, z;
};

// A cycle and the wall it has laid: corners oldest first; the last is where the wall meets the
// cycle's rear wheel, and the cycle runs on from there in the direction of the last stretch.
struct Rider {
    Colour colour;
    std::vector<Point> trail;
};

// A trail wall: a translucent ribbon of the rider's colour, brighter upwards to a white-hot top
// edge, with a bright line along the floor. Widths in world units.
struct WallStyle {
    float height;
    float rim, foot;           // the top edge's width and the floor line's
    float rise;                // how much brighter the ribbon grows from foot to top
    float whiten;              // how far its lines burn towards white
    float opacity, lineOpacity;   // the ribbon's, and what its lines add to it
    float glow;                // of the ribbon's body
};

enum { SHELL_CORNERS = 11 };

// The cycle seen side-on, `u` from its tail (0) to its nose (2), `v` up: two big wheels under
// one rounded shell that covers their top halves. A dark body drawn in lines of the rider's
// colour, rims round the wheels, white-hot hubs and a headlight at the nose.
struct CycleStyle {
    const float (*shell)[2];         // SHELL_CORNERS corners, highest over the rider's back
    float shellGrow;                 // how far that outline is grown, rounding its corners
    float rearWheel, frontWheel, wheelV, wheelRadius;
    float line;                      // width of its lines, world units
    Colour body;
    float sheen, sheenFrom;          // the rider's colour along its top, from that height up
    float canopyInset, canopyTo;     // the canopy line inside the shell's top, and where it ends
    float lampWidth, lampU, lampV;
    float whiten, hot;               // hubs and lamp: the rider's colour towards white, and gain
    float lineGain, lineGlow, lampGlow;
};

// The eye stands `height` over the floor looking along +z turned `yaw` radians to the left;
// the horizon crosses the screen `horizon` down, the view's centre is `centre` across.
struct EyeStyle {
    float focal, centre, horizon, height, yaw;
    // How much floor a pixel covers, for the grid's line widths. By row: the closed form for an
    // eye looking level and straight ahead, one value a pixel row. Otherwise: from where the
    // rays one pixel across and down land, which holds for any view.
    bool footprintByRow;
};

// The sky: night blue overhead warming to a magenta haze at the horizon over `hazeFall` of the
// way up, giving off `glow` that fades over `glowFall`. Faint stars on one pixel in
// (1 - starThreshold) from `starGap` over the horizon up, fading in up to `starFade` over it
// (to pixel centres); a threshold of 1: none.
struct SkyStyle {
    float hazeFall;
    Colour glow;
    float glowFall;
    float starThreshold, starGap, starFade;
};

// The floor: dark and glossy, a cyan grid lit by the walls standing on it, mirroring them.
struct FloorStyle {
    float lineWidth;           // world units a grid line keeps at least; 0: one pixel throughout
    float lineSoft;            // how far a line's light spreads, in line widths squared
    float fadeFrom, fadeTo;    // pixels a grid square spans where lines fade in
    float lineGain, glow;      // the grid's brightness and glow
    float trailLight;          // light the walls throw on the floor beside them
    float shine;               // how much it mirrors, looking down; more at a glancing angle
};

// Into the distance: the haze's reach, the arena's far wall across the view (0: none), or else
// a thin neon line on the horizon (its brightness; 0: none).
struct DistanceStyle {
    float fog;
    float farWallZ, farWallHeight;
    float horizonLine;
};

// Bloom: the glow blurred tight and wide (sigma in screen units); past the picture's edges the
// glow repeats outwards, or is dark.
struct BloomStyle {
    float tight, wide;
    bool repeatEdges;
};

// How the arena is seen and painted. Screen units: the picture's top left is (0, 0) and a pixel
// is 1 / `scale` across.
struct PainterStyle {
    int width, height;         // pixels
    float scale;               // pixels a screen unit
    int samples;               // rays a pixel, across and down
    // Where the picture is (signed distance in screen units, negative inside); null: everywhere.
    float (*outline)(float u, float v);
    EyeStyle eye;
    std::vector<Rider> riders;
    WallStyle wall;
    CycleStyle cycle;
    SkyStyle sky;
    FloorStyle floor;
    DistanceStyle distance;
    BloomStyle bloom;
};

// Traces the arena, `samples` by `samples` rays a pixel, into `picture`, the light it gives off
// into `glow`, and into `cover` how much of each pixel lies inside the outline.
void Painter_Trace(const PainterStyle &style, Canvas *picture, Canvas *glow,
                 std::vector<float> *cover);

// The glow blurred tight and wide, for the bloom around neon lines.
void Painter_Bloom(const PainterStyle &style, const Canvas &glow, Canvas *tight, Canvas *wide);
