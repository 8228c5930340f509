// math3d.h -- the scene's own 3-D pipeline: look-at camera, view transform, clipping against the
// four side planes of the view, projection to screen pixels, and rotation about an axis.
#pragma once

#include "graphics/vertex.h"

constexpr double MATH_PI = 3.14159;   // the game's pi, everywhere; not the library's
enum { MATH_CLIP_MAX = 16 };         // vertices a clipping stage can hold

// Matrices are 16 floats row by row; points are row vectors, (x, y, z, 1) x M, so the
// translation sits in elements 12 to 14.
extern float g_modelMatrix[16];
extern float g_viewMatrix[16];
extern float g_projectionMatrix[16];
// The four side planes through the eye: x, y and z coefficients of planes 0..3.
extern float g_clipPlanes[3][4];

void Math_Init();

// The camera: eye looking at target, +y up. An eye on the target leaves the view as it was.
void Math_LookAt(const float eye[3], const float target[3]);

// World (or, for a placed model, the position parked in screen x, y and depth) to view space.
void Math_ViewTransform(int count, Vertex *vertices);
void Math_ViewTransformPlaced(int count, Vertex *vertices);

// Keeps the part of a closed polygon inside the plane; out must hold MATH_CLIP_MAX vertices.
int Math_ClipAgainstPlane(const Vertex *in, Vertex *out, int count, double p, double q, double r);
// Clips against the four side planes; 0 when less than a triangle is left.
int Math_ClipToFrustum(int count, const Vertex *in, Vertex *out);
// View space to screen pixels and depth; 1 when every vertex lies inside the guard band.
int Math_ProjectToScreen(int count, Vertex *vertices);

// Rotates the point in place about the axis (not normalised) through the origin.
void Math_RotateAboutAxis(float &x, float &y, float &z, float ax, float ay, float az,
                          float angle);
