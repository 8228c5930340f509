// math.cpp -- the pipeline every 3-D polygon goes through before it reaches the device.
#include "scene/math3d.h"

#include <cmath>
#include <cstring>

#include "graphics/gfx.h"

float g_modelMatrix[16];
float g_viewMatrix[16];
float g_projectionMatrix[16];
float g_clipPlanes[3][4];

// The view volume: a square pyramid 50 degrees off the axis on every side.
static const double CLIP_HALF_ANGLE = 40.0 * MATH_PI / 180.0;
// The screen plus 100 pixels on every side; a vertex outside it is reported.
constexpr float GUARD_LEFT = -100.0f, GUARD_RIGHT = SCREEN_WIDTH + 100.0f;
constexpr float GUARD_BOTTOM = -100.0f, GUARD_TOP = SCREEN_HEIGHT + 100.0f;

static void Identity(float m[16])
{
    memset(m, 0, 16 * sizeof m[0]);
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void Math_Init()
{
    Identity(g_modelMatrix);
    Identity(g_viewMatrix);

    // A 45-degree vertical half angle at the 640 x 480 aspect, near 1 and far 1000.
    float halfAngle = (float)(MATH_PI / 4.0);
    double k = cos(halfAngle) / sin(halfAngle);
    memset(g_projectionMatrix, 0, sizeof g_projectionMatrix);
    g_projectionMatrix[0] = (float)(0.75 * k);
    g_projectionMatrix[5] = (float)k;
    g_projectionMatrix[10] = (float)(1000.0 / 999.0);
    g_projectionMatrix[11] = 1.0f;
    g_projectionMatrix[14] = -(float)(1000.0 / 999.0);

    float s = (float)sin(CLIP_HALF_ANGLE), c = (float)cos(CLIP_HALF_ANGLE);
    const float planes[4][3] = {{s, 0, c}, {-s, 0, c}, {0, -s, c}, {0, s, c}};
    for (int plane = 0; plane < 4; plane++)
        for (int axis = 0; axis < 3; axis++)
            g_clipPlanes[axis][plane] = planes[plane][axis];
}

void Math_LookAt(const float eye[3], const float target[3])
{
    float d[3] = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
    float length = sqrtf(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (length == 0.0f)
        return;
    float f[3] = {d[0] / length, d[1] / length, d[2] / length};

    // Up is world +y with the forward part taken out.
    float up[3] = {-f[1] * f[0], 1.0f - f[1] * f[1], -f[1] * f[2]};
    float upLength = sqrtf(up[0] * up[0] + up[1] * up[1] + up[2] * up[2]);
    // Looking straight up or down leaves no up direction: keep the last view rather than draw
    // nothing (a demo shot can pass right over its cycle).
    if (upLength == 0.0f)
        return;
    float u[3] = {up[0] / upLength, up[1] / upLength, up[2] / upLength};
    float r[3] = {u[1] * f[2] - u[2] * f[1], u[2] * f[0] - u[0] * f[2], u[0] * f[1] - u[1] * f[0]};

    float *m = g_viewMatrix;
    m[0] = r[0], m[4] = r[1], m[8] = r[2];
    m[1] = u[0], m[5] = u[1], m[9] = u[2];
    m[2] = f[0], m[6] = f[1], m[10] = f[2];
    m[3] = m[7] = m[11] = 0.0f;
    m[12] = -(r[0] * eye[0] + r[1] * eye[1] + r[2] * eye[2]);
    m[13] = -(u[0] * eye[0] + u[1] * eye[1] + u[2] * eye[2]);
    m[14] = -(f[0] * eye[0] + f[1] * eye[1] + f[2] * eye[2]);
    m[15] = 1.0f;
}

static void ToView(Vertex &v, float x, float y, float z)
{
    const float *m = g_viewMatrix;
    v.u = v.srcU;
    v.v = v.srcV;
    float w = x * m[3] + y * m[7] + z * m[11] + m[15];
    v.vw = w;
    v.vx = (x * m[0] + y * m[4] + z * m[8] + m[12]) / w;
    v.vy = (x * m[1] + y * m[5] + z * m[9] + m[13]) / w;
    v.vz = (x * m[2] + y * m[6] + z * m[10] + m[14]) / w;
}

void Math_ViewTransform(int count, Vertex *vertices)
{
    for (int i = 0; i < count; i++)
        ToView(vertices[i], vertices[i].wx, vertices[i].wy, vertices[i].wz);
}

void Math_ViewTransformPlaced(int count, Vertex *vertices)
{
    for (int i = 0; i < count; i++)
        ToView(vertices[i], vertices[i].sx, vertices[i].sy, vertices[i].depth);
}

// The point where the edge from outside vertex o to inside vertex v meets the plane. Only the
// view position and the working texture coordinates move; all else stays that of o.
static Vertex Crossing(const Vertex &o, double dOut, const Vertex &v, double dIn)
{
    double t = dOut / (dOut - dIn);
    Vertex c = o;
    c.vx = (float)(o.vx + t * (v.vx - o.vx));
    c.vy = (float)(o.vy + t * (v.vy - o.vy));
    c.vz = (float)(o.vz + t * (v.vz - o.vz));
    c.u = (float)(o.u + t * (v.u - o.u));
    c.v = (float)(o.v + t * (v.v - o.v));
    return c;
}

int Math_ClipAgainstPlane(const Vertex *in, Vertex *out, int count, double p, double q, double r)
{
    if (count < 3)
        return 0;
    double distance[MATH_CLIP_MAX];
    if (count > MATH_CLIP_MAX)
        count = MATH_CLIP_MAX;   // no caller passes more; never read past what we measured
    for (int i = 0; i < count; i++)
        distance[i] = p * in[i].vx + q * in[i].vy + r * in[i].vz;

    // A convex polygon gains at most one vertex per plane; anything else is cut at the
    // buffer's end rather than written past it.
    int written = 0;
    for (int i = 0; i < count; i++) {
        if (distance[i] < 0.0)
            continue;
        int prev = i == 0 ? count - 1 : i - 1;
        int next = i == count - 1 ? 0 : i + 1;
        if (distance[prev] < 0.0 && written < MATH_CLIP_MAX)
            out[written++] = Crossing(in[prev], distance[prev], in[i], distance[i]);
        if (written < MATH_CLIP_MAX)
            out[written++] = in[i];
        if (distance[next] < 0.0 && written < MATH_CLIP_MAX)
            out[written++] = Crossing(in[next], distance[next], in[i], distance[i]);
    }
    return written;
}

int Math_ClipToFrustum(int count, const Vertex *in, Vertex *out)
{
    Vertex first[MATH_CLIP_MAX], second[MATH_CLIP_MAX];
    const Vertex *from[4] = {in, first, second, first};
    Vertex *to[4] = {first, second, first, out};
    for (int plane = 0; plane < 4; plane++) {
        count = Math_ClipAgainstPlane(from[plane], to[plane], count, g_clipPlanes[0][plane],
                                      g_clipPlanes[1][plane], g_clipPlanes[2][plane]);
        if (count < 3)
            return 0;
    }
    return count;
}

int Math_ProjectToScreen(int count, Vertex *vertices)
{
    const float *p = g_projectionMatrix;
    int inside = 1;
    for (int n = 0; n < count; n++) {
        Vertex &v = vertices[n];
        float i = 1.0f / (p[11] * v.vz);
        v.sx = (p[0] * v.vx * i + 1.0f) * (SCREEN_WIDTH / 2.0f);
        v.sy = (p[5] * v.vy * i + 1.0f) * (SCREEN_HEIGHT / 2.0f);
        v.depth = p[10] * v.vz + p[14];
        if (v.sx < GUARD_LEFT || v.sx > GUARD_RIGHT || v.sy < GUARD_BOTTOM || v.sy > GUARD_TOP ||
            v.depth < 0.0f)
            inside = 0;
    }
    return inside;
}

void Math_RotateAboutAxis(float &x, float &y, float &z, float ax, float ay, float az, float angle)
{
    float s = sinf(angle), c = cosf(angle), t = 1.0f - c;
    float nx = ((1.0f - ax * ax) * c + ax * ax) * x + (t * ax * ay - s * az) * y +
               (t * ax * az + s * ay) * z;
    float ny = (t * ax * ay + s * az) * x + ((1.0f - ay * ay) * c + ay * ay) * y +
               (t * ay * az - s * ax) * z;
    float nz = (t * ax * az - s * ay) * x + (t * ay * az + s * ax) * y +
               ((1.0f - az * az) * c + az * az) * z;
    x = nx, y = ny, z = nz;
}
