// model.cpp -- builds the light cycle from lofted rings and revolved profiles, and writes it as
// the model file the game loads.
#include "model.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "output.h"

static const double PI = 3.14159265358979323846;

// --- Building blocks ------------------------------------------------------------------------

// Coordinates are kept at the precision the file is written in, so the parts and the file
// describe exactly the same shape.
static double Snap(double v)
{
    double snapped = std::round(v * 10000.0) / 10000.0;
    return snapped == 0.0 ? 0.0 : snapped;   // no "-0.0000" in the file
}

static int AddPoint(CyclePart *part, Point3 p)
{
    part->points.push_back({Snap(p.x), Snap(p.y), Snap(p.z)});
    return int(part->points.size()) - 1;
}

typedef std::vector<int> Ring;   // indices of one loop of points in a part

static Ring AddRing(CyclePart *part, const std::vector<Point3> &points)
{
    Ring ring;
    for (const Point3 &p : points)
        ring.push_back(AddPoint(part, p));
    return ring;
}

// Quads between consecutive rings of equal size; a closed ring also joins its last point to its
// first.
static void Loft(CyclePart *part, const std::vector<Ring> &rings, bool closed)
{
    for (size_t i = 0; i + 1 < rings.size(); i++) {
        const Ring &a = rings[i], &b = rings[i + 1];
        size_t n = a.size(), spans = closed ? n : n - 1;
        for (size_t k = 0; k < spans; k++) {
            size_t next = (k + 1) % n;
            part->faces.push_back({a[k], a[next], b[next], b[k]});
        }
    }
}

// Triangles from every edge of a ring to one tip point.
static void Cone(CyclePart *part, const Ring &ring, int tip, bool closed)
{
    size_t n = ring.size(), spans = closed ? n : n - 1;
    for (size_t k = 0; k < spans; k++)
        part->faces.push_back({ring[k], ring[(k + 1) % n], tip});
}

// A smooth curve through one column of a table of stations (x first, then the values at that
// x): cubic Hermite pieces with tangents from the neighbouring stations, so a profile can be given
// as a handful of numbers along the cycle.
template <size_t ROWS, size_t COLUMNS>
static double Curve(const double (&keys)[ROWS][COLUMNS], size_t column, double x)
{
    if (x <= keys[0][0])
        return keys[0][column];
    if (x >= keys[ROWS - 1][0])
        return keys[ROWS - 1][column];
    size_t i = 0;
    while (x > keys[i + 1][0])
        i++;
    auto slope = [&](size_t j) {
        size_t lo = j > 0 ? j - 1 : j, hi = j + 1 < ROWS ? j + 1 : j;
        return (keys[hi][column] - keys[lo][column]) / (keys[hi][0] - keys[lo][0]);
    };
    double h = keys[i + 1][0] - keys[i][0], t = (x - keys[i][0]) / h;
    double t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * keys[i][column] + (t3 - 2 * t2 + t) * h * slope(i) +
           (-2 * t3 + 3 * t2) * keys[i + 1][column] + (t3 - t2) * h * slope(i + 1);
}

// A rounded-box curve: the power below 1 squares off an ellipse, so the shell has flanks and a
// back rather than a tube's even roundness. Keeps the sign of v.
static double Squarish(double v)
{
    return std::copysign(std::pow(std::fabs(v), 0.8), v);
}

// --- Body shell -----------------------------------------------------------------------------

// Cross-section of the shell at one station: its top and bottom, the height of its widest line,
// and its half width there.
struct Section {
    double x, top, waist, bottom, halfWidth;
};

// The shell's profile, rear to nose. Where it passes over a wheel it is narrower than the tyre,
// so the wheels stand proud of its flanks and show whole from the side; between them it widens
// and deepens round the rider, and ahead of the front wheel it draws out into the nose.
static const double BODY_KEYS[][5] = {
    // x     top   waist  bottom  half width
    {1.2,  14.5,  10.0,   5.0,    3.6},
    {6,    16.5,  10.5,   4.0,    4.0},
    {14,   18.0,  10.5,   3.0,    4.0},   // over the rear axle
    {22,   18.6,   9.0,   1.5,    5.2},
    {30,   19.0,   8.0,   0.5,    6.0},
    {38,   18.8,   7.6,   0.2,    6.3},
    {46,   18.0,   8.0,   0.5,    6.0},
    {54,   16.6,   9.0,   1.5,    5.2},
    {62,   15.6,  10.0,   3.0,    4.0},   // over the front axle
    {70,   12.2,   7.4,   3.5,    3.4},
    {75,    8.6,   5.6,   3.4,    2.4},
    {78.4,  5.8,   4.4,   3.4,    1.2},
};
enum { KEY_TOP = 1, KEY_WAIST, KEY_BOTTOM, KEY_HALF_WIDTH };
static const Point3 NOSE = {CYCLE_NOSE_X, 4.2, 0.0};

// Stations closer together where the shell bends most: round the tail and towards the nose.
static const double BODY_STATIONS[] = {1.2, 3, 6, 10, 14, 18, 22, 26, 30, 34, 38, 42, 46,
                                       50, 54, 58, 62, 66, 69, 72, 74.5, 76.6, 78.4};
enum { BODY_SEGMENTS = 16 };

static Section BodySection(double x)
{
    return {x, Curve(BODY_KEYS, KEY_TOP, x), Curve(BODY_KEYS, KEY_WAIST, x),
            Curve(BODY_KEYS, KEY_BOTTOM, x), Curve(BODY_KEYS, KEY_HALF_WIDTH, x)};
}

// The point of a section at `angle` round it: 0 at the top, a quarter turn at the +z flank,
// half a turn at the bottom. `grow` pushes the point out from the section's middle.
static Point3 SectionPoint(const Section &s, double angle, double grow = 0.0)
{
    double up = std::cos(angle), side = std::sin(angle);
    double height = (up >= 0 ? s.top - s.waist : s.waist - s.bottom) + grow;
    return {s.x, s.waist + height * Squarish(up), (s.halfWidth + grow) * Squarish(side)};
}

static std::vector<Point3> SectionRing(const Section &s, int segments)
{
    std::vector<Point3> points;
    for (int k = 0; k < segments; k++)
        points.push_back(SectionPoint(s, 2 * PI * k / segments));
    return points;
}

static CyclePart Body()
{
    CyclePart part = {"BODY", {0.42f, 0.42f, 0.42f}, false, {}, {}};
    std::vector<Ring> rings;
    for (double x : BODY_STATIONS)
        rings.push_back(AddRing(&part, SectionRing(BodySection(x), BODY_SEGMENTS)));
    Loft(&part, rings, true);
    Cone(&part, rings.back(), AddPoint(&part, NOSE), true);
    return part;
}

// Light lines along both flanks at the shell's widest line, standing just proud of it.
static CyclePart FlankLines()
{
    CyclePart part = {"FLANK_LINES", {0.62f, 0.62f, 0.62f}, false, {}, {}};
    const double spread = 0.1;   // radians each side of the flank's middle
    for (int side : {1, -1}) {
        std::vector<Ring> rings;
        for (double x : BODY_STATIONS) {
            if (x < 3 || x > 76)
                continue;
            Section s = BodySection(x);
            double middle = side > 0 ? PI / 2 : 3 * PI / 2;
            rings.push_back(AddRing(&part, {SectionPoint(s, middle - spread, 0.12),
                                            SectionPoint(s, middle + spread, 0.12)}));
        }
        Loft(&part, rings, false);
    }
    return part;
}

// The tail: a ring of light round the back of the shell, sloping so that the light catches it,
// closed by a nozzle plate where the trail comes out (it faces straight back, and the game's
// light leaves such faces black).
static CyclePart TailLight()
{
    CyclePart part = {"TAIL_LIGHT", {0.90f, 0.14f, 0.09f}, true, {}, {}};
    Section rim = BodySection(BODY_STATIONS[0]);
    Section plate = rim;
    plate.x = 0.0;
    double middle = (rim.top + rim.bottom) / 2;
    plate.top = middle + (rim.top - middle) * 0.55;
    plate.bottom = middle + (rim.bottom - middle) * 0.55;
    plate.waist = middle + (rim.waist - middle) * 0.55;
    plate.halfWidth = rim.halfWidth * 0.55;
    Ring outer = AddRing(&part, SectionRing(rim, BODY_SEGMENTS));
    Ring inner = AddRing(&part, SectionRing(plate, BODY_SEGMENTS));
    Loft(&part, {outer, inner}, true);
    part.faces.push_back(std::vector<int>(inner.rbegin(), inner.rend()));
    return part;
}

// A swept fin over the tail, thin and upright along the cycle's middle.
static CyclePart TailFin()
{
    CyclePart part = {"TAIL_FIN", {0.62f, 0.62f, 0.62f}, false, {}, {}};
    // Its outline, convex, the lower edge buried in the shell.
    const double outline[][2] = {{1.6, 13.2}, {18.0, 17.2}, {12.0, 19.8}, {4.2, 22.8}, {2.2, 22.6}};
    const double halfThickness = 0.6;
    std::vector<Point3> left, right;
    for (const auto &p : outline) {
        right.push_back({p[0], p[1], halfThickness});
        left.push_back({p[0], p[1], -halfThickness});
    }
    Ring a = AddRing(&part, right), b = AddRing(&part, left);
    part.faces.push_back(a);
    part.faces.push_back(std::vector<int>(b.rbegin(), b.rend()));
    Loft(&part, {a, b}, true);
    return part;
}

// --- Canopy ---------------------------------------------------------------------------------

// The rider's bubble, lofted over the shell: its top line and half width by station. Its base
// sits below the shell's top, so only the dome shows.
static const double CANOPY_KEYS[][3] = {
    // x   top   half width
    {18, 18.0,   2.0},
    {24, 21.4,   4.2},
    {34, 23.6,   5.0},
    {44, 23.0,   4.8},
    {52, 20.0,   3.8},
    {58, 16.6,   1.6},
};
static const double CANOPY_STATIONS[] = {19, 21.5, 25, 29, 34, 39, 44, 48, 51.5, 54.5, 57};
enum { CANOPY_SEGMENTS = 10 };
static const double CANOPY_SINK = 3.0;

// Point `k` of the dome's arc at station x, from the -z base up over the top to the +z base.
static Point3 CanopyPoint(double x, int k, double grow = 0.0)
{
    double base = Curve(BODY_KEYS, KEY_TOP, x) - CANOPY_SINK;
    double height = Curve(CANOPY_KEYS, 1, x) - base + grow;
    double halfWidth = Curve(CANOPY_KEYS, 2, x) + grow;
    double angle = PI * k / CANOPY_SEGMENTS - PI / 2;   // -90 degrees at -z to +90 at +z
    return {x, base + height * Squarish(std::cos(angle)), halfWidth * Squarish(std::sin(angle))};
}

static CyclePart Canopy()
{
    CyclePart part = {"CANOPY", {0.10f, 0.14f, 0.20f}, true, {}, {}};
    std::vector<Ring> rings;
    for (double x : CANOPY_STATIONS) {
        std::vector<Point3> arc;
        for (int k = 0; k <= CANOPY_SEGMENTS; k++)
            arc.push_back(CanopyPoint(x, k));
        rings.push_back(AddRing(&part, arc));
    }
    Loft(&part, rings, false);
    // Both ends close to a point on the shell's top line.
    double rearX = 17.0, frontX = 59.0;
    for (double x : {rearX, frontX}) {
        int tip = AddPoint(&part, {x, Curve(BODY_KEYS, KEY_TOP, x) - 0.4, 0});
        Cone(&part, x == rearX ? rings.front() : rings.back(), tip, false);
    }
    return part;
}

// A streak of reflected light along the front of the dome on each side.
static CyclePart CanopyGlint()
{
    CyclePart part = {"CANOPY_GLINT", {0.28f, 0.78f, 0.90f}, true, {}, {}};
    for (int k : {2, CANOPY_SEGMENTS - 3}) {
        std::vector<Ring> rings;
        for (double x : CANOPY_STATIONS) {
            if (x < 29 || x > 52)
                continue;
            rings.push_back(AddRing(&part, {CanopyPoint(x, k, 0.12), CanopyPoint(x, k + 1, 0.12)}));
        }
        Loft(&part, rings, false);
    }
    return part;
}

// --- Wheels ---------------------------------------------------------------------------------

// Both wheels are the same: radius 13, so with the axle 1 unit above the origin the tyre's
// lowest point is on the floor.
static const double WHEEL_RADIUS = 13.0;
static const double AXLE_Y = CYCLE_FLOOR_Y + WHEEL_RADIUS;
static const double REAR_AXLE_X = 14.0, FRONT_AXLE_X = 61.0;
enum { WHEEL_SEGMENTS = 24 };
static const double RIM_RADIUS = 10.2, DISC_RADIUS = 9.0, HUB_RADIUS = 3.6;
static const double SIDEWALL_Z = 4.3, HUB_Z = 5.0;

// A circle of the wheel at distance `radius` from the axle, in the plane z. Point 0 is the
// lowest, so the tyre's contact point is exact.
static std::vector<Point3> WheelCircle(double axleX, double radius, double z, int segments)
{
    std::vector<Point3> points;
    for (int k = 0; k < segments; k++) {
        double angle = 2 * PI * k / segments;
        points.push_back({axleX + radius * std::sin(angle), AXLE_Y - radius * std::cos(angle), z});
    }
    return points;
}

// The tyre: a revolved cross-section with rounded shoulders, and a dark disc inside the rim on
// each side.
static CyclePart Tyre(const char *name, double axleX)
{
    CyclePart part = {name, {0.13f, 0.13f, 0.15f}, true, {}, {}};
    const double profile[][2] = {{RIM_RADIUS, SIDEWALL_Z}, {12.2, 4.5}, {WHEEL_RADIUS, 2.8},
                                 {WHEEL_RADIUS, -2.8}, {12.2, -4.5}, {RIM_RADIUS, -SIDEWALL_Z}};
    std::vector<Ring> rings;
    for (const auto &p : profile)
        rings.push_back(AddRing(&part, WheelCircle(axleX, p[0], p[1], WHEEL_SEGMENTS)));
    Loft(&part, rings, true);
    for (double z : {SIDEWALL_Z, -SIDEWALL_Z})
        part.faces.push_back(AddRing(&part, WheelCircle(axleX, DISC_RADIUS, z, WHEEL_SEGMENTS)));
    return part;
}

// What glows on a wheel: the rim ring round the dark disc and a raised hub cap, on both sides.
static CyclePart WheelLights(const char *name, double axleX)
{
    CyclePart part = {name, {0.62f, 0.62f, 0.62f}, false, {}, {}};
    for (double side : {1.0, -1.0}) {
        double face = side * SIDEWALL_Z;
        Ring rim = AddRing(&part, WheelCircle(axleX, RIM_RADIUS, face, WHEEL_SEGMENTS));
        Ring disc = AddRing(&part, WheelCircle(axleX, DISC_RADIUS, face, WHEEL_SEGMENTS));
        Loft(&part, {rim, disc}, true);
        Ring base = AddRing(&part, WheelCircle(axleX, HUB_RADIUS, face, 12));
        Ring cap = AddRing(&part, WheelCircle(axleX, HUB_RADIUS * 0.8, side * HUB_Z, 12));
        Loft(&part, {base, cap}, true);
        part.faces.push_back(cap);
    }
    return part;
}

// --- The whole cycle ------------------------------------------------------------------------

std::vector<CyclePart> Cycle_BuildParts()
{
    // The game walks the parts from the last defined to the first and stops at the first one
    // that will not project, so the shell comes last: a cycle too close to the eye then vanishes
    // whole instead of leaving wheels in the air.
    return {WheelLights("FRONT_WHEEL_LIGHTS", FRONT_AXLE_X),
            WheelLights("REAR_WHEEL_LIGHTS", REAR_AXLE_X),
            FlankLines(),
            TailFin(),
            Tyre("FRONT_TYRE", FRONT_AXLE_X),
            Tyre("REAR_TYRE", REAR_AXLE_X),
            Canopy(),
            CanopyGlint(),
            TailLight(),
            Body()};
}

// --- The file -------------------------------------------------------------------------------

static void Append(std::string *out, const char *format, ...) __attribute__((format(printf, 2, 3)));

static void Append(std::string *out, const char *format, ...)
{
    char line[256];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    *out += line;
}

// One part as a VRML97 shape. The loader puts the vertex list into the node that is current at
// its "[" (the named Coordinate) and the index list into its parent (the named shape), whose
// material the Coordinate inherits when it is defined; so the material comes first. Brackets and
// braces stand apart, since the loader looks only at a token's first character.
static void EncodePart(const CyclePart &part, std::string *out)
{
    Append(out, "DEF %s Shape {\n", part.name.c_str());
    Append(out, "  appearance Appearance {\n    material Material {\n");
    Append(out, "      diffuseColor %.4f %.4f %.4f\n", part.colour[0], part.colour[1],
           part.colour[2]);
    Append(out, "    }\n  }\n  geometry IndexedFaceSet {\n    solid FALSE\n");
    Append(out, "    coord DEF %s_POINTS Coordinate {\n      point [\n", part.name.c_str());
    for (const Point3 &p : part.points)
        Append(out, "        %.4f %.4f %.4f,\n", p.x, p.y, p.z);
    Append(out, "      ]\n    }\n    coordIndex [\n");
    for (const auto &face : part.faces) {
        *out += "      ";
        for (int index : face)
            Append(out, "%d, ", index);
        *out += "-1,\n";
    }
    Append(out, "    ]\n  }\n}\n");
}

std::string Cycle_EncodeWrl(const std::vector<CyclePart> &parts)
{
    std::string out =
        "#VRML V2.0 utf8\n"
        "# zark2.wrl -- the Zarkride light cycle, written by assetgen.\n"
        "# One unit is one world unit. The front faces +x; the origin is the cycle's position,\n"
        "# 12 units above the floor, where its trail comes out; the nose at x = 80 is the\n"
        "# largest coordinate. Parts between the shading markers keep their own colours; the\n"
        "# others are grey and take the colour of the cycle that wears them.\n";
    // A marker line opens before the first of a run of own-colour parts and closes after it.
    bool marked = false;
    for (const CyclePart &part : parts) {
        if (part.ownColour != marked) {
            out += part.ownColour ? "#IGNORESHADING\n" : "#UNIGNORESHADING\n";
            marked = part.ownColour;
        }
        EncodePart(part, &out);
    }
    if (marked)
        out += "#UNIGNORESHADING\n";
    return out;
}

bool Cycle_WriteWrl(const std::string &path, std::string *error)
{
    std::string text = Cycle_EncodeWrl(Cycle_BuildParts());
    return WriteWholeFile(path, text.data(), text.size(), error);
}
