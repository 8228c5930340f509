// The cycle's model file, read back by the rules the game's loader follows: every part lands in
// the node pair that draws it, every face can be drawn, and the cycle stands on the floor with
// its nose at the front.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "model.h"

// What the loader builds: one node per DEF, each list filed under the node current at its "[",
// the parent made current again by the brace that closes a node. `problems` collects what the
// loader would misread or silently drop.
struct ReadNode {
    std::string name;
    int depth, parent;  // parent: index into nodes, -1 for none
    bool ownColour;
    double diffuse[3];
    std::vector<Point3> vertices;
    std::vector<int> indices;
};

struct ReadModel {
    std::vector<ReadNode> nodes;
    std::vector<std::string> problems;
    int braceDepth = 0, markerLines = 0;
    bool marker = false, listOpen = false;
};

// The number a list token holds, a "]" at its end allowed; false when the loader would read
// only part of it.
static bool Number(const std::string &token, double *value)
{
    std::string digits = token.substr(0, token.find(']'));
    char *end = nullptr;
    *value = strtod(digits.c_str(), &end);
    return !digits.empty() && *end == 0;
}

static ReadModel ReadWrl(const std::string &text)
{
    ReadModel m;
    int current = -1, pending = 0, lineNumber = 0;
    std::istringstream lines(text);
    std::string line;
    auto problem = [&](const std::string &what) {
        m.problems.push_back("line " + std::to_string(lineNumber) + ": " + what + ": " + line);
    };
    while (std::getline(lines, line)) {
        lineNumber++;
        if (line.size() + 1 > size_t(WRL_MAX_LINE))
            problem("longer than the loader takes in at once");
        std::string upper;
        for (char c : line)
            upper += c == ',' || c == '\t' || c == '\r' ? ' ' : char(toupper((unsigned char)c));
        std::istringstream words(upper);
        std::vector<std::string> t;
        for (std::string w; words >> w;)
            t.push_back(w);
        if (m.listOpen && pending == 1 && !t.empty() && t[0][0] != ']' && t.size() != 3)
            problem("a vertex line without exactly three numbers");
        for (size_t i = 0; i < t.size(); i++) {
            auto next = [&]() { return i + 1 < t.size() ? t[++i] : std::string(); };
            if (t[i] == "#IGNORESHADING" || t[i] == "#UNIGNORESHADING") {
                if ((t[i] == "#IGNORESHADING") == m.marker)
                    problem("marker repeated");
                m.marker = t[i] == "#IGNORESHADING";
                m.markerLines++;
            }
            if (t[i][0] == '#')
                break;
            if (m.listOpen && current >= 0) {
                ReadNode &node = m.nodes[current];
                std::string last = t[i];
                double v[3];
                if (t[i][0] == ']') {
                    m.listOpen = false;
                    continue;
                } else if (pending == 1) {
                    std::string y = next(), z = next();
                    if (!Number(last, &v[0]) || !Number(y, &v[1]) || !Number(z, &v[2]))
                        problem("a vertex that is not three numbers");
                    node.vertices.push_back({v[0], v[1], v[2]});
                    last = z;
                } else {
                    if (!Number(last, &v[0]) || v[0] != std::floor(v[0]))
                        problem("an index that is not a whole number");
                    node.indices.push_back(int(v[0]));
                }
                m.listOpen = last.find(']') == std::string::npos;
                continue;
            }
            if (t[i] == "DEF") {
                ReadNode node = {next(), m.braceDepth, current, m.marker, {0, 0, 0}, {}, {}};
                if (current >= 0)   // material is inherited when a node is defined
                    std::copy_n(m.nodes[current].diffuse, 3, node.diffuse);
                m.nodes.push_back(node);
                current = int(m.nodes.size()) - 1;
            } else if (current >= 0 && t[i] == "DIFFUSECOLOR") {
                for (double &c : m.nodes[current].diffuse)
                    c = atof(next().c_str());
            } else if (current >= 0 && (t[i] == "COORD" || t[i] == "COORDINDEX")) {
                pending = t[i] == "COORD" ? 1 : 2;
            } else if (current >= 0 && t[i][0] == '[') {
                m.listOpen = pending != 0;
            } else if (t[i][0] == '{') {
                m.braceDepth++;
            } else if (t[i][0] == '}') {
                m.braceDepth--;
                if (current >= 0 && m.nodes[current].depth == m.braceDepth)
                    current = m.nodes[current].parent;
            } else if (t[i].find_first_of("{}[]") != std::string::npos) {
                problem("a bracket the loader will not see: " + t[i]);
            }
        }
    }
    return m;
}

static const ReadModel &Model()
{
    static const ReadModel model = ReadWrl(Cycle_EncodeWrl(Cycle_BuildParts()));
    return model;
}

static std::string FirstLines(const std::vector<std::string> &lines)
{
    std::string all;
    for (size_t i = 0; i < lines.size() && i < 10; i++)
        all += lines[i] + "\n";
    return all;
}

TEST(CycleModelFile, EveryPartLandsInANodePairWithItsMaterial)
{
    const ReadModel &m = Model();
    EXPECT_TRUE(m.problems.empty()) << FirstLines(m.problems);
    EXPECT_EQ(m.braceDepth, 0);
    EXPECT_FALSE(m.listOpen);
    EXPECT_FALSE(m.marker) << "the file ends with own colours still switched on";
    EXPECT_GT(m.markerLines, 0);

    size_t drawn = 0;
    for (const ReadNode &node : m.nodes) {
        EXPECT_LE(node.vertices.size(), size_t(WRL_MAX_VERTICES)) << node.name;
        EXPECT_LE(node.indices.size(), size_t(WRL_MAX_INDICES)) << node.name;
        if (node.vertices.empty())
            continue;
        // Vertices draw only with their parent's index list.
        ASSERT_GE(node.parent, 0) << node.name;
        EXPECT_FALSE(m.nodes[node.parent].indices.empty()) << node.name;
        EXPECT_TRUE(m.nodes[node.parent].vertices.empty()) << node.name;
        drawn++;

        // A material written after the coordinates would not reach them: the part draws black.
        double brightest = std::max({node.diffuse[0], node.diffuse[1], node.diffuse[2]});
        EXPECT_GT(brightest, 0.05) << node.name;
        // The brightest face colour must fit a byte for every cycle colour, or it wraps to a
        // dark one: grey x 1.6 for tinted parts, own colour x (sqrt(3) / 3) x 1.9 at most.
        int lit = int(brightest * 255.0 * 0.99999);
        if (node.ownColour) {
            EXPECT_LE(lit * std::sqrt(3.0) / 3.0 * 1.9, 255.0) << node.name;
        } else {
            EXPECT_LE(lit * 1.6, 255.0) << node.name;
            // Tinted parts are grey, so the cycle's own colour shows true.
            EXPECT_TRUE(node.diffuse[0] == node.diffuse[1] && node.diffuse[1] == node.diffuse[2])
                << node.name;
        }
        // Tyres and canopy keep their own colours; the shell wears the cycle's.
        if (node.name == "FRONT_TYRE_POINTS" || node.name == "CANOPY_POINTS") {
            EXPECT_TRUE(node.ownColour) << node.name;
        } else if (node.name == "BODY_POINTS") {
            EXPECT_FALSE(node.ownColour);
        }
    }
    EXPECT_EQ(drawn, Cycle_BuildParts().size());
}

static Point3 Sub(Point3 a, Point3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
static double Dot(Point3 a, Point3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
static Point3 Cross(Point3 a, Point3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

TEST(CycleModelFile, EveryFaceCanBeDrawnAndLit)
{
    size_t faces = 0;
    for (const ReadNode &node : Model().nodes) {
        if (node.parent < 0 || node.vertices.empty())
            continue;
        const std::vector<int> &indices = Model().nodes[node.parent].indices;
        ASSERT_EQ(indices.back(), -1) << node.name << ": last face not closed";
        std::vector<Point3> p;
        for (int index : indices) {
            if (index != -1) {
                ASSERT_TRUE(index >= 0 && size_t(index) < node.vertices.size())
                    << node.name << ": index " << index;
                p.push_back(node.vertices[index]);
                continue;
            }
            std::string what = node.name + " face " + std::to_string(faces++);
            ASSERT_GE(p.size(), 3u) << what;
            ASSERT_LE(p.size(), size_t(WRL_MAX_FACE_VERTICES)) << what;
            // The game lights a face by the normal of its first three vertices; a zero normal
            // draws it black.
            Point3 normal = Cross(Sub(p[1], p[0]), Sub(p[2], p[0]));
            double length = std::sqrt(Dot(normal, normal)), size = 0;
            ASSERT_GT(length, 1e-4) << what;
            normal = {normal.x / length, normal.y / length, normal.z / length};
            for (const Point3 &q : p)
                size = std::max(size, std::sqrt(Dot(Sub(q, p[0]), Sub(q, p[0]))));
            // Faces are drawn as fans from their first vertex: they must be convex, and near
            // enough flat that the two halves of a lofted quad meet without a visible fold.
            for (size_t i = 0; i < p.size(); i++) {
                const Point3 &a = p[i], &b = p[(i + 1) % p.size()], &c = p[(i + 2) % p.size()];
                EXPECT_LE(std::fabs(Dot(Sub(a, p[0]), normal)), 0.1 * size) << what << " bent";
                EXPECT_GE(Dot(Cross(Sub(b, a), Sub(c, b)), normal), -1e-6 * size * size)
                    << what << " not convex at vertex " << (i + 1) % p.size();
            }
            p.clear();
        }
    }
    EXPECT_LE(faces, size_t(WRL_MAX_FACES));
    EXPECT_GE(faces, 300u) << "too coarse to read as rounded";
}

TEST(CycleModelFile, StandsOnTheFloorWithItsNoseAtEighty)
{
    double largest = 0, lowest = 0, rearmost = CYCLE_NOSE_X, widest = 0;
    bool rearContact = false, frontContact = false;
    for (const ReadNode &node : Model().nodes)
        for (const Point3 &p : node.vertices) {
            largest = std::max({largest, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
            lowest = std::min(lowest, p.y);
            rearmost = std::min(rearmost, p.x);
            widest = std::max(widest, std::fabs(p.z));
            // The game scales the largest coordinate to 80: it must be the nose's x alone for
            // the cycle to keep the size it was built at.
            EXPECT_LT(std::max(std::fabs(p.y), std::fabs(p.z)), CYCLE_NOSE_X) << node.name;
            if (p.x == CYCLE_NOSE_X) {
                EXPECT_EQ(node.name, "BODY_POINTS");
            }
            // Only the tyres touch the floor, one contact under each axle.
            if (p.y == CYCLE_FLOOR_Y) {
                EXPECT_NE(node.name.find("TYRE"), std::string::npos) << node.name;
                (p.x < CYCLE_NOSE_X / 2 ? rearContact : frontContact) = true;
            }
        }
    EXPECT_EQ(largest, CYCLE_NOSE_X);
    EXPECT_EQ(lowest, CYCLE_FLOOR_Y);
    EXPECT_TRUE(rearContact);
    EXPECT_TRUE(frontContact);
    // Nothing reaches behind the point the trail starts from.
    EXPECT_GE(rearmost, 0.0);
    EXPECT_LE(widest, 10.0);
}
