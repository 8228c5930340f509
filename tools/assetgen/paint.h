// paint.h -- what the painted assets share: light as colour, soft edges, the signed distances
// the cycles' side-on shapes are made of, and light's last steps into 8-bit texels.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

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

// Light past full brightness in one channel spills into the others: hot neon whitens.
inline Colour Whiten(Colour c)
{
    float over = std::max(0.0f, std::max(c.r, std::max(c.g, c.b)) - 1.0f);
    return c + Colour{1.0f, 1.0f, 1.0f} * (0.5f * over);
}

// The colour as 8-bit red, green and blue at `texel`.
inline void PutRgb(uint8_t *texel, Colour c)
{
    texel[0] = uint8_t(std::lround(Clamp01(c.r) * 255.0f));
    texel[1] = uint8_t(std::lround(Clamp01(c.g) * 255.0f));
    texel[2] = uint8_t(std::lround(Clamp01(c.b) * 255.0f));
}
