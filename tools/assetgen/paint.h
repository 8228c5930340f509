// paint.h -- what the painted assets share: light as colour, soft edges, the signed distances
// the cycles' side-on shapes are made of, and the rays the title and icon scenes are traced with.
#pragma once

#include <algorithm>
#include <cmath>

// Light in display units: 1 is full brightness; neon cores go past it and burn towards white.
struct Colour {
    float r, g, b;
};

inline Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Colour operator*(Colour c, float k) { return {c.r * k, c.g * k, c.b * k}; }

inline Colour Mix(Colour a, Colour b, float t)
{
    return a * (1.0f - t) + b * t;
}

inline float Clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}

// 0 below edge0, 1 above edge1, a smooth step between.
inline float Smooth(float edge0, float edge1, float v)
{
    float t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

// Signed distances in a plane: negative inside.
inline float Circle(float u, float v, float cu, float cv, float r)
{
    return std::hypot(u - cu, v - cv) - r;
}

// The union of two shapes with the seam between them rounded off over k.
inline float SmoothUnion(float a, float b, float k)
{
    float h = Clamp01(0.5f + 0.5f * (b - a) / k);
    return b + (a - b) * h - k * h * (1.0f - h);
}

// Distance from (u, v) to a closed polygon.
inline float Polygon(float u, float v, const float (*corners)[2], int count)
{
    float nearest = 1e9f, sign = 1.0f;
    for (int i = 0, j = count - 1; i < count; j = i, i++) {
        float eu = corners[j][0] - corners[i][0], ev = corners[j][1] - corners[i][1];
        float wu = u - corners[i][0], wv = v - corners[i][1];
        float k = Clamp01((wu * eu + wv * ev) / (eu * eu + ev * ev));
        nearest = std::min(nearest, std::hypot(wu - eu * k, wv - ev * k));
        // Each edge a ray towards +u crosses flips inside and out.
        bool a = v >= corners[i][1], b = v < corners[j][1], c = eu * wv > ev * wu;
        if ((a && b && c) || (!a && !b && !c))
            sign = -sign;
    }
    return sign * nearest;
}

// --- Tracing the arena ------------------------------------------------------------------

struct Ray {
    float ox, oy, oz;
    float dx, dy, dz;
};

struct Point {
    float x, z;
};

// One thing a ray passes through: its colour, how much of what lies behind it hides, and the
// light it gives off for the glow.
struct Layer {
    float t;
    Colour colour;
    float alpha;
    Colour glow;
};

// Where the ray meets the upright face standing on floor segment a-b up to `height`: `t` along
// the ray, `s` from 0 at a to 1 at b, `y` the height above the floor.
inline bool HitUpright(const Ray &ray, Point a, Point b, float height, float *t, float *s,
                       float *y)
{
    float ex = b.x - a.x, ez = b.z - a.z;
    float denom = ray.dx * ez - ray.dz * ex;
    if (std::fabs(denom) < 1e-9f)
        return false;
    float wx = a.x - ray.ox, wz = a.z - ray.oz;
    *t = (wx * ez - wz * ex) / denom;
    *s = (wx * ray.dz - wz * ray.dx) / denom;
    *y = ray.oy + *t * ray.dy;
    return *t > 1e-4f && *s >= 0.0f && *s <= 1.0f && *y >= 0.0f && *y <= height;
}

// Lays the layers over what lies behind them.
inline Colour Composite(const Layer *layers, int count, Colour behind, Colour behindGlow,
                        Colour *glow)
{
    Colour c = {0, 0, 0}, g = {0, 0, 0};
    float through = 1.0f;
    for (int i = 0; i < count; i++) {
        c = c + layers[i].colour * (through * layers[i].alpha);
        g = g + layers[i].glow * (through * layers[i].alpha);
        through *= 1.0f - layers[i].alpha;
    }
    *glow = g + behindGlow * through;
    return c + behind * through;
}
