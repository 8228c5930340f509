// The scene pipeline decides where every point lands on the screen: camera, view transform,
// clipping to the view pyramid, projection with its guard band, and the model loader's rotation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "scene/math3d.h"

namespace {

// Field positions inside the 27-float vertex record.
enum { F_U = 16, F_V = 17, F_VX = 23, F_VY = 24, F_VZ = 25, F_VW = 26, FIELDS = 27 };

float *Fields(Vertex &v) { return reinterpret_cast<float *>(&v); }
const float *Fields(const Vertex &v) { return reinterpret_cast<const float *>(&v); }

// A vertex whose every field holds its own recognisable value, so a field copied from the wrong
// vertex or written when it should not be shows up.
Vertex Marked(int tag)
{
    Vertex v;
    for (int f = 0; f < FIELDS; f++)
        Fields(v)[f] = 1000.0f * (tag + 1) + f;
    return v;
}

Vertex AtView(int tag, float x, float y, float z, float u = 0, float vv = 0)
{
    Vertex v = Marked(tag);
    v.vx = x, v.vy = y, v.vz = z;
    v.u = u, v.v = vv;
    return v;
}

bool SameBits(const Vertex &a, const Vertex &b) { return memcmp(&a, &b, sizeof a) == 0; }

double PlaneDistance(const Vertex &v, int plane)
{
    return (double)g_clipPlanes[0][plane] * v.vx + (double)g_clipPlanes[1][plane] * v.vy +
           (double)g_clipPlanes[2][plane] * v.vz;
}

// Checks that c is the crossing from outside vertex o towards inside vertex in: a copy of o with
// only the view position and working texture coordinates moved by t.
void ExpectCrossing(const Vertex &c, const Vertex &o, const Vertex &in, double t, const char *what)
{
    for (int f = 0; f < FIELDS; f++) {
        if (f == F_U || f == F_V || f == F_VX || f == F_VY || f == F_VZ) {
            double expected = Fields(o)[f] + t * (Fields(in)[f] - Fields(o)[f]);
            EXPECT_NEAR(Fields(c)[f], expected, 1e-4 * (1 + fabs(expected))) << what << " field " << f;
        } else {
            EXPECT_EQ(Fields(c)[f], Fields(o)[f]) << what << " field " << f;
        }
    }
}

} // namespace

TEST(Math, InitSetsProjectionAndClipPlanes)
{
    Math_Init();
    // The game's own pi gives a half angle a hair short of 45 degrees, so k is not quite 1.
    const double k = 1.0000012676;
    EXPECT_FLOAT_EQ(g_projectionMatrix[0], (float)(0.75 * k));
    EXPECT_FLOAT_EQ(g_projectionMatrix[5], (float)k);
    EXPECT_FLOAT_EQ(g_projectionMatrix[10], 1.001001f);
    EXPECT_FLOAT_EQ(g_projectionMatrix[11], 1.0f);
    EXPECT_FLOAT_EQ(g_projectionMatrix[14], -1.001001f);

    // 40 degrees from the game's pi: the library's pi would be several float steps off.
    const float s = 0.6427872f, c = 0.7660448f;
    const float planes[4][3] = {{s, 0, c}, {-s, 0, c}, {0, -s, c}, {0, s, c}};
    for (int plane = 0; plane < 4; plane++)
        for (int axis = 0; axis < 3; axis++)
            EXPECT_FLOAT_EQ(g_clipPlanes[axis][plane], planes[plane][axis])
                << "plane " << plane << " axis " << axis;

    for (int e = 0; e < 16; e++) {
        float identity = e % 5 == 0 ? 1.0f : 0.0f;
        EXPECT_EQ(g_viewMatrix[e], identity) << "view element " << e;
        EXPECT_EQ(g_modelMatrix[e], identity) << "model element " << e;
    }
}

TEST(Math, ViewTransformWritesOnlyItsOwnFields)
{
    struct { const char *what; float eyeZ; float m15; float view[3]; float w; } cases[] = {
        {"identity view after start-up", 0, 1, {1, 2, 3}, 1},
        {"camera ten units behind the origin", -10, 1, {1, 2, 13}, 1},
        {"a homogeneous w of 2 halves the position", 0, 2, {0.5f, 1, 1.5f}, 2},
    };
    for (const auto &c : cases) {
        Math_Init();
        if (c.eyeZ != 0) {
            const float eye[3] = {0, 0, c.eyeZ}, target[3] = {0, 0, 0};
            Math_LookAt(eye, target);
        }
        g_viewMatrix[15] = c.m15;

        Vertex vs[2] = {Marked(0), Marked(1)};
        vs[1].wx = 1, vs[1].wy = 2, vs[1].wz = 3;
        const Vertex before = vs[1];
        Math_ViewTransform(2, vs);

        const Vertex &v = vs[1];
        EXPECT_FLOAT_EQ(v.vx, c.view[0]) << c.what;
        EXPECT_FLOAT_EQ(v.vy, c.view[1]) << c.what;
        EXPECT_FLOAT_EQ(v.vz, c.view[2]) << c.what;
        EXPECT_EQ(v.vw, c.w) << c.what;
        EXPECT_EQ(v.u, before.srcU) << c.what;
        EXPECT_EQ(v.v, before.srcV) << c.what;
        for (int f = 0; f < F_U; f++)   // screen, colour, depth and spare fields
            EXPECT_EQ(Fields(v)[f], Fields(before)[f]) << c.what << " field " << f;
        for (int f = F_V + 1; f < F_VX; f++)   // source texture and world position
            EXPECT_EQ(Fields(v)[f], Fields(before)[f]) << c.what << " field " << f;
    }
}

TEST(Math, PlacedModelVerticesUseTheParkedPosition)
{
    Math_Init();
    const float eye[3] = {0, 0, -10}, target[3] = {0, 0, 0};
    Math_LookAt(eye, target);

    Vertex vs[3] = {Marked(0), Marked(1), Marked(2)};
    for (int i = 0; i < 3; i++) {
        vs[i].sx = 4.0f + i, vs[i].sy = 5.0f, vs[i].depth = 6.0f;
        vs[i].wx = 100, vs[i].wy = 200, vs[i].wz = 300;   // the model's own coordinates
    }
    Math_ViewTransformPlaced(3, vs);
    for (int i = 0; i < 3; i++) {
        EXPECT_FLOAT_EQ(vs[i].vx, 4.0f + i) << i;
        EXPECT_FLOAT_EQ(vs[i].vy, 5.0f) << i;
        EXPECT_FLOAT_EQ(vs[i].vz, 16.0f) << i;
        EXPECT_EQ(vs[i].vw, 1.0f) << i;
        EXPECT_EQ(vs[i].sx, 4.0f + i) << i;   // read, never written
        EXPECT_EQ(vs[i].depth, 6.0f) << i;
        EXPECT_EQ(vs[i].u, vs[i].srcU) << i;
    }
}

TEST(Math, LookAtStraightAlongZIsAPureTranslation)
{
    struct { const char *what; float eye[3], target[3]; float m14; } cases[] = {
        {"eye at the origin", {0, 0, 0}, {0, 0, 5}, 0},
        {"eye ten units back", {0, 0, -10}, {0, 0, 0}, 10},
    };
    for (const auto &c : cases) {
        Math_Init();
        Math_LookAt(c.eye, c.target);
        for (int e = 0; e < 16; e++) {
            float expected = e % 5 == 0 ? 1.0f : 0.0f;
            if (e == 14)
                expected = c.m14;
            EXPECT_NEAR(g_viewMatrix[e], expected, 1e-6) << c.what << " element " << e;
        }
    }
}

TEST(Math, LookAtPutsTheTargetAheadAndRightOnTheRight)
{
    struct { const char *what; float eye[3], target[3]; } cases[] = {
        {"chase camera above and behind", {100, 50, -200}, {130, 20, -160}},
        {"level, looking back along -x and -z", {5, 3, 20}, {-7, 3, 4}},
        {"steeply down", {0, 10, 0}, {1, 0, 0.5f}},
        {"looking up", {0, 0, 0}, {0, 4, -3}},
    };
    for (const auto &c : cases) {
        Math_Init();
        Math_LookAt(c.eye, c.target);
        double d[3] = {c.target[0] - c.eye[0], c.target[1] - c.eye[1], c.target[2] - c.eye[2]};
        double L = sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        double fy = d[1] / L, horizontal = sqrt(d[0] * d[0] + d[2] * d[2]);

        Vertex vs[4] = {Marked(0), Marked(1), Marked(2), Marked(3)};
        for (int i = 0; i < 4; i++)
            vs[i].wx = c.target[0], vs[i].wy = c.target[1], vs[i].wz = c.target[2];
        vs[0].wx = c.eye[0], vs[0].wy = c.eye[1], vs[0].wz = c.eye[2];
        // One unit to the viewer's right in the world: forward turned a quarter clockwise seen from above.
        vs[2].wx += (float)(d[2] / horizontal), vs[2].wz -= (float)(d[0] / horizontal);
        vs[3].wy += 1;   // one unit straight up
        Math_ViewTransform(4, vs);

        const double tol = 1e-3;
        EXPECT_NEAR(vs[0].vx, 0, tol) << c.what << ": eye";
        EXPECT_NEAR(vs[0].vy, 0, tol) << c.what << ": eye";
        EXPECT_NEAR(vs[0].vz, 0, tol) << c.what << ": eye";
        EXPECT_NEAR(vs[1].vx, 0, tol) << c.what << ": target";
        EXPECT_NEAR(vs[1].vy, 0, tol) << c.what << ": target";
        EXPECT_NEAR(vs[1].vz, L, tol) << c.what << ": target";
        EXPECT_NEAR(vs[2].vx, 1, tol) << c.what << ": right";
        EXPECT_NEAR(vs[2].vy, 0, tol) << c.what << ": right";
        EXPECT_NEAR(vs[2].vz, L, tol) << c.what << ": right";
        EXPECT_NEAR(vs[3].vx, 0, tol) << c.what << ": up";
        EXPECT_NEAR(vs[3].vy, sqrt(1 - fy * fy), tol) << c.what << ": up";
        EXPECT_NEAR(vs[3].vz, L + fy, tol) << c.what << ": up";
    }
}

TEST(Math, LookAtWithNoDirectionOrNoUpKeepsTheView)
{
    // The eye on the target, or right above or below it, as a demo shot passing over its cycle.
    const float above[3] = {100, 250, 40}, below[3] = {100, -5, 40}, floor[3] = {100, 0, 40};
    const struct { const char *what; const float *eye, *target; } cases[] = {
        {"eye on the target", floor, floor},
        {"straight down", above, floor},
        {"straight up", below, floor},
    };
    for (const auto &c : cases) {
        Math_Init();
        const float eye[3] = {3, 4, -5}, target[3] = {10, 2, 7};
        Math_LookAt(eye, target);
        float before[16];
        memcpy(before, g_viewMatrix, sizeof before);
        Math_LookAt(c.eye, c.target);
        EXPECT_EQ(memcmp(before, g_viewMatrix, sizeof before), 0) << c.what;
    }
}

TEST(Math, ClipCrossingPointsAndPointsOnThePlane)
{
    // Against the plane x >= 0, where the crossing factors are exact.
    struct { const char *what; float x[3]; int count; } cases[] = {
        {"all inside", {1, 2, 3}, 3},
        {"one vertex exactly on the plane counts as inside", {0, 1, 2}, 3},
        {"all three on the plane", {0, 0, 0}, 3},
        {"on the plane with an outside neighbour", {0, 1, -1}, 4},
        {"one inside, two outside", {2, -1, -3}, 3},
        {"all outside", {-1, -2, -0.001f}, 0},
    };
    for (const auto &c : cases) {
        Vertex in[3], out[MATH_CLIP_MAX];
        for (int i = 0; i < 3; i++)
            in[i] = AtView(i, c.x[i], (float)i, 10.0f + i, 8.0f * i, 100.0f - i);
        EXPECT_EQ(Math_ClipAgainstPlane(in, out, 3, 1, 0, 0), c.count) << c.what;
    }

    // Vertex 0 at x = -1 outside, vertex 1 at x = 3 inside: the edge crosses a quarter of the way.
    Vertex in[3] = {AtView(0, -1, 0, 4, 0, 40), AtView(1, 3, 8, 8, 16, 0), AtView(2, 3, -8, 8, 16, 0)};
    Vertex out[MATH_CLIP_MAX];
    ASSERT_EQ(Math_ClipAgainstPlane(in, out, 3, 1, 0, 0), 4);
    EXPECT_TRUE(SameBits(out[1], in[1]));
    EXPECT_TRUE(SameBits(out[2], in[2]));
    ExpectCrossing(out[0], in[0], in[1], 0.25, "edge 0-1");
    ExpectCrossing(out[3], in[0], in[2], 0.25, "edge 2-0");
    EXPECT_EQ(out[0].vx, 0.0f);
    EXPECT_FLOAT_EQ(out[0].vy, 2.0f);
    EXPECT_FLOAT_EQ(out[0].vz, 5.0f);
    EXPECT_FLOAT_EQ(out[0].u, 4.0f);
    EXPECT_FLOAT_EQ(out[0].v, 30.0f);
}

TEST(Math, ClipQuadWithOneCornerLeftOfTheView)
{
    Math_Init();
    Vertex in[4] = {AtView(0, -15, -1, 10, 0, 0), AtView(1, 2, -2, 10, 64, 0),
                    AtView(2, 3, 3, 10, 64, 64), AtView(3, -3, 2, 10, 0, 64)};
    ASSERT_LT(PlaneDistance(in[0], 0), 0);
    Vertex out[MATH_CLIP_MAX];
    int n = Math_ClipAgainstPlane(in, out, 4, g_clipPlanes[0][0], g_clipPlanes[1][0],
                                  g_clipPlanes[2][0]);
    ASSERT_EQ(n, 5);
    double d0 = PlaneDistance(in[0], 0);
    ExpectCrossing(out[0], in[0], in[1], d0 / (d0 - PlaneDistance(in[1], 0)), "edge 0-1");
    EXPECT_TRUE(SameBits(out[1], in[1]));
    EXPECT_TRUE(SameBits(out[2], in[2]));
    EXPECT_TRUE(SameBits(out[3], in[3]));
    ExpectCrossing(out[4], in[0], in[3], d0 / (d0 - PlaneDistance(in[3], 0)), "edge 3-0");
    EXPECT_NEAR(PlaneDistance(out[0], 0), 0, 1e-5);
    EXPECT_NEAR(PlaneDistance(out[4], 0), 0, 1e-5);
}

TEST(Math, FrustumKeepsWhatIsInsideAndDropsWhatIsNot)
{
    Math_Init();
    Vertex out[MATH_CLIP_MAX];

    Vertex inside[3] = {AtView(0, 0, 0, 10), AtView(1, 2, 1, 10), AtView(2, -1, -2, 12)};
    ASSERT_EQ(Math_ClipToFrustum(3, inside, out), 3);
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(SameBits(out[i], inside[i])) << "vertex " << i;

    struct { const char *what; int count; Vertex v[3]; } empty[] = {
        {"on the view axis behind the eye", 3, {AtView(0, 0, 0, -1), AtView(1, 0, 0, -2), AtView(2, 0, 0, -5)}},
        {"two vertices", 2, {AtView(0, 0, 0, 10), AtView(1, 1, 1, 10)}},
        {"one vertex", 1, {AtView(0, 0, 0, 10)}},
        {"no vertices", 0, {}},
        {"wholly above the view", 3, {AtView(0, 0, 20, 10), AtView(1, 5, 30, 10), AtView(2, -5, 30, 10)}},
    };
    for (const auto &c : empty)
        EXPECT_EQ(Math_ClipToFrustum(c.count, c.v, out), 0) << c.what;
    EXPECT_EQ(Math_ClipAgainstPlane(inside, out, 2, 1, 0, 0), 0) << "two vertices, one plane";

    // A floor strip wider than the view loses both ends: corners stay bottom-left, bottom-right,
    // top-right, top-left, each cut corner taking the colour of the corner it replaces.
    Vertex wide[4] = {AtView(0, -20, -1, 10, 0, 0), AtView(1, 20, -1, 10, 40, 0),
                      AtView(2, 20, 1, 10, 40, 8), AtView(3, -20, 1, 10, 0, 8)};
    ASSERT_EQ(Math_ClipToFrustum(4, wide, out), 4);
    const float edge = 10 * 0.7660448f / 0.6427872f;
    const float corner[4][2] = {{-edge, -1}, {edge, -1}, {edge, 1}, {-edge, 1}};
    for (int i = 0; i < 4; i++) {
        EXPECT_NEAR(out[i].vx, corner[i][0], 1e-3) << i;
        EXPECT_NEAR(out[i].vy, corner[i][1], 1e-5) << i;
        EXPECT_NEAR(out[i].u, corner[i][0] + 20, 1e-3) << i;
        EXPECT_EQ(out[i].r, wide[i].r) << i;
    }
}

TEST(Math, FrustumNeverLeavesAFragmentOrAPointOutside)
{
    Math_Init();
    unsigned seed = 12345;
    auto next = [&seed](float lo, float hi) {
        seed = seed * 1103515245u + 12345u;
        return lo + (hi - lo) * (float)((seed >> 8) & 0xFFFF) / 65535.0f;
    };
    int kept = 0;
    for (int trial = 0; trial < 2000; trial++) {
        int count = 3 + trial % 4;
        Vertex in[6], out[MATH_CLIP_MAX];
        for (int i = 0; i < count; i++)
            in[i] = AtView(i, next(-25, 25), next(-25, 25), next(-5, 20));
        int n = Math_ClipToFrustum(count, in, out);
        ASSERT_TRUE(n == 0 || (n >= 3 && n <= MATH_CLIP_MAX)) << "trial " << trial << " gave " << n;
        kept += n > 0;
        for (int i = 0; i < n; i++)
            for (int plane = 0; plane < 4; plane++)
                ASSERT_GE(PlaneDistance(out[i], plane), -1e-4) << "trial " << trial << " plane " << plane;
    }
    EXPECT_GT(kept, 100);   // the trials really did exercise partial clipping
}

TEST(Math, ClipNeverWritesPastItsBuffer)
{
    Math_Init();
    enum { GUARD = 4 };
    Vertex zigzag[24], star[16];
    for (int i = 0; i < 24; i++)   // alternately far left of and inside plane 0, at every plane x = 0
        zigzag[i] = AtView(i, i % 2 ? 2.0f : -30.0f, (float)i - 12, 10);
    for (int i = 0; i < 16; i++) {   // a self-crossing star poking out through all four planes
        float angle = (float)(i * 7 * 2 * MATH_PI / 16), radius = i % 2 ? 40.0f : 3.0f;
        star[i] = AtView(i, radius * cosf(angle), radius * sinf(angle), 10);
    }
    struct { const char *what; bool frustum; int count; const Vertex *in; } cases[] = {
        {"zigzag of 16 against one plane", false, 16, zigzag},
        {"zigzag of 24 against one plane", false, 24, zigzag},
        {"zigzag through the frustum", true, 16, zigzag},
        {"star through the frustum", true, 16, star},
    };
    for (const auto &c : cases) {
        Vertex out[MATH_CLIP_MAX + GUARD], sentinel;
        memset(&sentinel, 0x5A, sizeof sentinel);
        for (auto &v : out)
            v = sentinel;
        int n = c.frustum ? Math_ClipToFrustum(c.count, c.in, out)
                          : Math_ClipAgainstPlane(c.in, out, c.count, 1, 0, 0);
        EXPECT_GE(n, 3) << c.what;
        EXPECT_LE(n, MATH_CLIP_MAX) << c.what;
        for (int g = MATH_CLIP_MAX; g < MATH_CLIP_MAX + GUARD; g++)
            EXPECT_TRUE(SameBits(out[g], sentinel)) << c.what << ": guard " << g;
    }
}

TEST(Math, ProjectionToScreenPixels)
{
    Math_Init();
    struct { const char *what; float view[3]; float sx, sy, depth; int result; } cases[] = {
        {"straight ahead at the near distance", {0, 0, 1}, 320, 240, 0, 1},
        {"off to the right", {1, 0, 1}, 560.0003f, 240, 0, 1},
        {"up is up the screen", {0, 2, 4}, 320, 360.00015f, 3.003003f, 1},
        {"down and to the left", {-4, -3, 10}, 223.9999f, 167.9999f, 9.009009f, 1},
        {"at the far distance", {0, 0, 1000}, 320, 240, 1000, 1},
        {"closer than the near distance", {0, 0, 0.5f}, 320, 240, -0.5005005f, 0},
        {"a hair closer than the near distance", {0, 0, 0.999f}, 320, 240, -0.001001f, 0},
    };
    for (const auto &c : cases) {
        Vertex v = AtView(0, c.view[0], c.view[1], c.view[2]);
        const Vertex before = v;
        EXPECT_EQ(Math_ProjectToScreen(1, &v), c.result) << c.what;
        EXPECT_NEAR(v.sx, c.sx, 1e-3) << c.what;
        EXPECT_NEAR(v.sy, c.sy, 1e-3) << c.what;
        EXPECT_NEAR(v.depth, c.depth, 1e-3) << c.what;
        for (int f = 0; f < FIELDS; f++) {
            if (f != 0 && f != 1 && f != 8) {
                EXPECT_EQ(Fields(v)[f], Fields(before)[f]) << c.what << " field " << f;
            }
        }
    }
    Vertex v = AtView(0, 0, 0, 1);
    Math_ProjectToScreen(1, &v);
    EXPECT_EQ(v.depth, 0.0f) << "the near distance is depth 0 exactly";

    Vertex behind = AtView(0, 0, 0, -2);
    EXPECT_EQ(Math_ProjectToScreen(1, &behind), 0) << "behind the eye";

    const Vertex untouched = AtView(0, 9, 9, 0.1f);
    v = untouched;
    EXPECT_EQ(Math_ProjectToScreen(0, &v), 1);
    EXPECT_EQ(Math_ProjectToScreen(-3, &v), 1);
    EXPECT_TRUE(SameBits(v, untouched));
}

TEST(Math, ProjectionGuardBandEdgesAreInside)
{
    Math_Init();
    // Screen y = -100 cannot come out of the arithmetic exactly (it lands a hair either side), so
    // the vertical edges are checked by the last position inside and the first beyond.
    struct { const char *what; int axis; float edge; float outward; bool exact; } cases[] = {
        {"right edge", 0, 740, 1, true},   {"left edge", 0, -100, -1, true},
        {"top edge", 1, 580, 1, false},    {"bottom edge", 1, -100, -1, false},
    };
    for (const auto &c : cases) {
        // Walk float by float from just inside the edge outwards, at view z = 1.
        float half = c.axis == 0 ? 320.0f : 240.0f, scale = g_projectionMatrix[c.axis == 0 ? 0 : 5];
        float along = (c.edge / half - 1) / scale;
        for (int i = 0; i < 64; i++)
            along = nextafterf(along, -c.outward * INFINITY);
        bool onEdge = false, crossed = false;
        for (int i = 0; i < 256 && !crossed; i++, along = nextafterf(along, c.outward * INFINITY)) {
            Vertex v = AtView(0, c.axis == 0 ? along : 0, c.axis == 1 ? along : 0, 1);
            int result = Math_ProjectToScreen(1, &v);
            float screen = c.axis == 0 ? v.sx : v.sy;
            crossed = (screen - c.edge) * c.outward > 0;
            onEdge |= screen == c.edge;
            EXPECT_EQ(result, crossed ? 0 : 1) << c.what << " at " << screen;
        }
        EXPECT_TRUE(crossed) << c.what;
        if (c.exact) {
            EXPECT_TRUE(onEdge) << c.what << " was never hit exactly";
        }
    }
}

TEST(Math, ProjectionGoesOnAfterAFailingVertex)
{
    Math_Init();
    Vertex vs[3] = {AtView(0, 0, 0, 0.5f), AtView(1, 50, 0, 1), AtView(2, 0, 0, 1)};
    for (auto &v : vs)
        v.sx = v.sy = -12345;
    EXPECT_EQ(Math_ProjectToScreen(3, vs), 0);
    EXPECT_FLOAT_EQ(vs[0].sx, 320);
    EXPECT_GT(vs[1].sx, 740);
    EXPECT_FLOAT_EQ(vs[2].sx, 320);
    EXPECT_FLOAT_EQ(vs[2].sy, 240);
    EXPECT_EQ(vs[2].depth, 0);
}

TEST(Math, RotateAboutAxis)
{
    const float quarter = (float)(MATH_PI / 2);
    struct { const char *what; float p[3], axis[3], angle, expected[3]; } cases[] = {
        {"x about y a quarter turn", {1, 0, 0}, {0, 1, 0}, quarter, {0, 0, -1}},
        {"z about x a quarter turn", {0, 0, 1}, {1, 0, 0}, quarter, {0, -1, 0}},
        {"a point on the y axis", {0, 1, 0}, {0, 1, 0}, 1.234f, {0, 1, 0}},
        {"a point on a slanted axis", {3, 0, 4}, {0.6f, 0, 0.8f}, 2.0f, {3, 0, 4}},
        {"an axis of length 2 is not normalised", {1, 0, 0}, {0, 2, 0}, quarter, {0, 0, -2}},
        {"on an axis of length 2 the point grows", {0, 1, 0}, {0, 2, 0}, quarter, {0, 4, 0}},
        {"a diagonal axis of length sqrt 2", {1, 0, 0}, {1, 1, 0}, quarter, {1, 1, -1}},
    };
    for (const auto &c : cases) {
        float x = c.p[0], y = c.p[1], z = c.p[2];
        Math_RotateAboutAxis(x, y, z, c.axis[0], c.axis[1], c.axis[2], c.angle);
        EXPECT_NEAR(x, c.expected[0], 1e-5) << c.what;
        EXPECT_NEAR(y, c.expected[1], 1e-5) << c.what;
        EXPECT_NEAR(z, c.expected[2], 1e-5) << c.what;
    }

    // A general, un-normalised axis against the axis-angle matrix worked in double precision.
    const double a[3] = {0.3, -0.5, 1.2}, p[3] = {1.5, -2, 0.25}, angle = 0.7;
    double s = sin(angle), co = cos(angle), t = 1 - co;
    double ex = (co + t * a[0] * a[0]) * p[0] + (t * a[0] * a[1] - s * a[2]) * p[1] +
                (t * a[0] * a[2] + s * a[1]) * p[2];
    double ey = (t * a[0] * a[1] + s * a[2]) * p[0] + (co + t * a[1] * a[1]) * p[1] +
                (t * a[1] * a[2] - s * a[0]) * p[2];
    double ez = (t * a[0] * a[2] - s * a[1]) * p[0] + (t * a[1] * a[2] + s * a[0]) * p[1] +
                (co + t * a[2] * a[2]) * p[2];
    float x = 1.5f, y = -2, z = 0.25f;
    Math_RotateAboutAxis(x, y, z, 0.3f, -0.5f, 1.2f, 0.7f);
    EXPECT_NEAR(x, ex, 1e-5);
    EXPECT_NEAR(y, ey, 1e-5);
    EXPECT_NEAR(z, ez, 1e-5);
}
