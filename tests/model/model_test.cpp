// The model file loader's rules, and the preparation: size, headings, faces and their colours.
#include <algorithm>
#include <cmath>
#include <string>

#include "model/model.h"
#include "scene/math3d.h"
#include "scene/scene.h"
#include "support/model_files.h"
#include "support/workdir.h"

class Model : public WorkDirTest {
protected:
    void SetUp() override
    {
        WorkDirTest::SetUp();
        Math_Init();
    }
    // Loads the text as the model file and gives the node named name, or null.
    static ModelNode *Load(const std::string &text, const char *name = nullptr)
    {
        WriteFile("m.wrl", text);
        EXPECT_EQ(WRL_Load("m.wrl"), 1);
        return name ? Find(name) : nullptr;
    }
    static ModelNode *Find(const char *name, ModelNode *list = g_modelNodes)
    {
        for (ModelNode *n = list; n; n = n->next)
            if (std::string(n->name) == name)
                return n;
        return nullptr;
    }
    static int CountNodes(const ModelNode *list)
    {
        int n = 0;
        for (; list; list = list->next)
            n++;
        return n;
    }
};

TEST_F(Model, MarkersCommentsAndCase)
{
    Load("#IgnoreShading the rest is skipped DEF HIDDEN\n"
         "DEF first { }\n"
         "# IGNORESHADING is only a comment\n"
         "#UNIGNORESHADING\n"
         "DEF second { } # DEF THIRD\n");
    ASSERT_EQ(CountNodes(g_modelNodes), 2);
    EXPECT_EQ(Find("FIRST")->ignoreShading, 1) << "markers match whatever their case";
    EXPECT_EQ(Find("SECOND")->ignoreShading, 0);
    EXPECT_EQ(Find("HIDDEN"), nullptr);
    EXPECT_EQ(Find("THIRD"), nullptr) << "a # ends the line";
    EXPECT_EQ(g_modelNodes, Find("SECOND")) << "new nodes go in front";

    Load("");
    EXPECT_EQ(g_modelNodes, nullptr);
    EXPECT_EQ(g_largestCoordinate, 0.0);

    // A line longer than the buffer arrives in pieces: a word across the cut is two words.
    Load(std::string(500, ' ') + "DEF WHOLE\n" + std::string(509, ' ') + "DEF CUT\n");
    EXPECT_NE(Find("WHOLE"), nullptr);
    EXPECT_EQ(CountNodes(g_modelNodes), 1);

    Load("DEF " + std::string(200, 'n') + "\n");
    EXPECT_EQ(std::string(g_modelNodes->name), std::string(127, 'N'));
}

TEST_F(Model, KeywordsActOnTheCurrentNode)
{
    ModelNode *n = Load("SCALE 5 5 5 { DEF X {\n"
                        " diffuseColor 1, 0.5, 0\n"
                        " translation 1 2 3 translation 10 20 30\n"
                        " scale 2 2 2 scale 3 4 5\n"
                        " rotation 0 1 0 1.5 ambientIntensity 0.25 specularColor 0 1 0\n"
                        " } }\n",
                        "X");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->diffuseColor[0], 255.0f);
    EXPECT_EQ(n->diffuseColor[1], 127.5f);
    EXPECT_EQ(n->diffuseColor[2], 0.0f);
    EXPECT_EQ(n->translation[0], 11.0f) << "translations add up";
    EXPECT_EQ(n->translation[2], 33.0f);
    EXPECT_EQ(n->scale[1], 4.0f) << "the last scale wins";
    EXPECT_EQ(n->rotation[3], 1.5f);
    EXPECT_EQ(n->ambientIntensity, 0.25f);
    EXPECT_EQ(n->specularColor[1], 255.0f);
    EXPECT_EQ(n->depth, 1) << "braces count before any node";
    EXPECT_EQ(g_braceDepth, 0);
    EXPECT_EQ(g_currentNode, nullptr) << "its closing brace makes its parent (none) current";

    // Material is inherited once, when the child is defined.
    Load("DEF P { diffuseColor 1 1 1\n DEF C { }\n diffuseColor 0 0 0\n }\n");
    EXPECT_EQ(Find("C")->diffuseColor[0], 255.0f);
    EXPECT_EQ(Find("P")->diffuseColor[0], 0.0f);
    EXPECT_EQ(Find("C")->parent, Find("P"));
}

TEST_F(Model, ListsLandInTheNodeThatIsCurrentAtTheirBracket)
{
    Load(FaceSet("BOX", "1 2 3,\n 4 5 6]\n", "0, 1, 2, -1, 2, 3, 0, -1"));
    ModelNode *points = Find("BOX_POINTS"), *box = Find("BOX");
    ASSERT_TRUE(points && box);
    EXPECT_EQ(points->vertexCount, 2) << "the bracket on the last z closes the list";
    EXPECT_EQ(points->vertices[1].wy, 5.0f);
    EXPECT_EQ(box->indexCount, 8);
    EXPECT_EQ(box->indices[3], -1);
    EXPECT_EQ(box->indices[7], -1);
    EXPECT_EQ(points->parent, box);
    EXPECT_EQ(g_largestCoordinate, 6.0);
}

TEST_F(Model, VerticesAreTransformedInnerNodeFirst)
{
    ModelNode *n = Load("DEF OUTER { translation 10 0 0 scale 2 2 2\n"
                        " DEF INNER { translation 1 0 0 rotation 5 5 5 0\n"
                        "  coord DEF P { point [\n 1 0 0\n ] }\n } }\n",
                        "P");
    ASSERT_NE(n, nullptr);
    // Inner: (1,0,0) + (1,0,0) = (2,0,0), its zero-angle rotation skipped; outer: x 2, + 10.
    EXPECT_EQ(n->vertices[0].wx, 14.0f);
    EXPECT_EQ(g_largestCoordinate, 14.0);

    n = Load("DEF R { rotation 0 1 0 1.570795\n coord DEF P { point [ 1 0 0 ] } }\n", "P");
    EXPECT_NEAR(n->vertices[0].wx, 0.0f, 1e-5);
    EXPECT_NEAR(n->vertices[0].wz, -1.0f, 1e-5);
}

TEST_F(Model, ListsStopAtTheirLimits)
{
    std::string points;
    for (int i = 0; i < MODEL_MAX_VERTICES; i++)
        points += std::to_string(i) + " 0 0\n";
    ModelNode *n = Load("DEF A { coord DEF P { point [\n" + points + "] } }\n", "P");
    EXPECT_EQ(n->vertexCount, 999);

    std::string indices;
    for (int i = 0; i < MODEL_MAX_INDICES; i++)
        indices += "0\n";
    n = Load("DEF A { coordIndex [\n" + indices + "] }\n", "A");
    EXPECT_EQ(n->indexCount, 2999);

    WriteFile("too-many-vertices.wrl", "DEF A { coord DEF P { point [\n" + points + "1 1 1\n] } }\n");
    EXPECT_EXIT(WRL_Load("too-many-vertices.wrl"), ::testing::ExitedWithCode(1),
                "Error! Too many vertices for this polygon!");
    WriteFile("too-many-indices.wrl", "DEF A { coordIndex [\n" + indices + "0\n] }\n");
    EXPECT_EXIT(WRL_Load("too-many-indices.wrl"), ::testing::ExitedWithCode(1),
                "Error! Too many indices for this polygon!");
    EXPECT_EQ(WRL_Load("missing.wrl"), 0);
}

// A file a player drops in loads or is refused at once: the loader holds a bounded number of
// nodes and lists, and preparation links parents without searching.
TEST_F(Model, ModelsBeyondWhatTheLoaderHoldsAreRefused)
{
    std::string nested;
    for (int i = 0; i < MODEL_MAX_NODES / 2; i++)
        nested += "DEF N" + std::to_string(i) + " { DEF M" + std::to_string(i) + " { } }\n";
    Load(nested);
    Model_Prepare();
    const ModelNode *child = Find("M4321", g_headingModels[2]);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->parent, Find("N4321", g_headingModels[2]));

    WriteFile("many-nodes.wrl", nested + "DEF ONE_TOO_MANY { }\n");
    EXPECT_EXIT(WRL_Load("many-nodes.wrl"), ::testing::ExitedWithCode(1),
                "Error! Out of memory for the model!");
    std::string lists;
    for (int i = 0; i <= MODEL_MAX_LISTS; i++)
        lists += "DEF L" + std::to_string(i) + " { coordIndex [ 0 ] }\n";
    WriteFile("many-lists.wrl", lists);
    EXPECT_EXIT(WRL_Load("many-lists.wrl"), ::testing::ExitedWithCode(1),
                "Error! Out of memory for the model!");

    // Outside a load a token has nothing after it: a DEF names nothing.
    Load("DEF A { }\n");
    WRL_ParseToken("DEF");
    ASSERT_NE(g_currentNode, nullptr);
    EXPECT_STREQ(g_currentNode->name, "");
}

TEST_F(Model, NormalisingScalesTheLargestCoordinateTo80)
{
    Load("DEF A { coord DEF P { point [\n 2.5 -1.25 0\n 1 1 1 ] } }\n");
    WRL_NormaliseModel();
    WRL_ScaleModel(80.0);
    ModelNode *p = Find("P");
    EXPECT_EQ(p->vertices[0].wx, 80.0f);
    EXPECT_EQ(p->vertices[0].wy, -40.0f);
    EXPECT_EQ(p->vertices[1].wx, 32.0f);
}

TEST_F(Model, HeadingsTurnTheModelAboutTheVerticalAxis)
{
    Load("DEF A { coord DEF P { point [\n 1 0.5 0\n ] } }\n");
    Model_Prepare();
    const float expected[4][3] = {{0, 0.5f, 1}, {1, 0.5f, 0}, {0, 0.5f, -1}, {-1, 0.5f, 0}};
    for (int h = 0; h < 4; h++) {
        const ModelNode *p = Find("P", g_headingModels[h]);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->parent, Find("A", g_headingModels[h])) << "parents found by place";
        EXPECT_FLOAT_EQ(p->vertices[0].wx, expected[h][0]) << h;
        EXPECT_FLOAT_EQ(p->vertices[0].wy, expected[h][1]) << h;
        EXPECT_FLOAT_EQ(p->vertices[0].wz, expected[h][2]) << h;
    }
    EXPECT_EQ(g_modelNodes, nullptr) << "the loaded list is released";
    for (int e = 0; e < 16; e++)
        EXPECT_EQ(g_modelMatrix[e], e % 5 == 0 ? 1.0f : 0.0f) << "left at identity";
}

TEST_F(Model, FacesAreNumberedAcrossNodesAndShortRunsAreSkipped)
{
    // Faces facing up (shade 0.7071) in the first node, a short run between them; the second
    // node's face faces up and towards +z, the brightest.
    const char *flat = "0 0 0\n 1 0 0\n 0 0 1\n 1 0 1\n";
    const char *tilted = "0 0 0\n 1 0 0\n 0 1 -1\n";
    Load(FaceSet("TWO", tilted, "0 1 2 -1") + FaceSet("ONE", flat, "0 2 1 -1 1 3 -1 -1 1 2 3 -1"));
    cycles[0].red = cycles[0].green = cycles[0].blue = 1.0f;
    cycles[1].red = 0.5f;
    Model_Prepare();
    // Faces in list order: ONE's two faces (numbers 0 and 1), then TWO's (number 2).
    EXPECT_EQ(g_faceColours[0][0], 0x00FFFFFFu) << "180 x 1.6 held at 255";
    EXPECT_EQ(g_faceColours[1][0], 144u) << "180 x 0.5 x 1.6";
    EXPECT_EQ(g_faceColours[1][1], 144u);
    EXPECT_EQ(g_faceColours[1][2], (uint32_t)(254 * 0.5 * 1.6)) << "the brightest face";
    EXPECT_EQ(g_faceColours[1][3], 0u) << "no fourth face";
    EXPECT_EQ(g_faceColours[2][0], 0u) << "a black cycle gets black faces";
}

TEST_F(Model, ShadeAndColourFormulas)
{
    struct Case {
        const char *what;
        float b[3], c[3];      // the face's second and third vertices; the first is the origin
        float diffuse;
        int ignoreShading;
        float cycle[3];
        uint32_t colour;
    } cases[] = {
        {"facing up, white face, red cycle", {1, 0, 0}, {0, 0, 1}, 255, 0, {0.5f, 0, 0}, 144},
        {"facing +z", {1, 0, 0}, {0, 1, 0}, 255, 0, {0.5f, 0, 0}, 144},
        {"facing up and +z: the brightest, never 255", {1, 0, 0}, {0, 1, -1}, 255, 0, {0.625f, 0, 0}, 254},
        {"facing up and -z: unlit", {1, 0, 0}, {0, 1, 1}, 255, 0, {1, 1, 1}, 0},
        {"facing along x: unlit", {0, 1, 0}, {0, 0, 1}, 255, 0, {1, 1, 1}, 0},
        {"keeping its own colour", {1, 0, 0}, {0, 0, 1}, 255, 1, {1, 1, 1},
         0x010101u * (uint32_t)(180 * std::sqrt(3.0) * 0.3333333333333333 * 1.9)},
        {"a degenerate face", {1, 0, 0}, {2, 0, 0}, 255, 0, {1, 1, 1}, 0},
    };
    for (const Case &c : cases) {
        Vertex face[3] = {};
        face[1].wx = c.b[0], face[1].wy = c.b[1], face[1].wz = c.b[2];
        face[2].wx = c.c[0], face[2].wy = c.c[1], face[2].wz = c.c[2];
        cycles[3].red = c.cycle[0], cycles[3].green = c.cycle[1], cycles[3].blue = c.cycle[2];
        Model_ShadeFace(3, face, c.diffuse, c.diffuse, c.diffuse, c.ignoreShading, 7);
        EXPECT_EQ(g_faceColours[3][7], c.colour) << c.what;
    }
}

TEST_F(Model, TheArenaIsFilledEvenWhenTheModelIsMissing)
{
    EXPECT_EQ(Scene_BuildArena(), 0);
    EXPECT_EQ(g_floorQuad[1].wx, -10240.0f);
    EXPECT_EQ(g_floorQuad[2].srcU, 16384.0f);
    EXPECT_EQ(g_floorQuad[3].wz, 10240.0f);
    const Vertex *walls[] = {g_wallPlusZ, g_wallMinusZ, g_wallMinusX, g_wallPlusX};
    for (const Vertex *wall : walls) {
        EXPECT_EQ(wall[0].wy, 1024.0f);
        EXPECT_EQ(wall[2].wy, 0.0f);
        EXPECT_EQ(wall[1].srcU, 1024.0f);
        EXPECT_EQ(wall[2].srcV, 128.0f);
        EXPECT_EQ(wall[3].a, 0.0f);
        EXPECT_EQ(wall[3].r, 255.0f);
        // The wall's two ends differ in one coordinate only, and lie on the arena's edge.
        EXPECT_TRUE(wall[0].wx == wall[1].wx || wall[0].wz == wall[1].wz);
        EXPECT_EQ(std::fabs(wall[0].wx) == 10240.0f && std::fabs(wall[0].wz) == 10240.0f, true);
    }
    EXPECT_EQ(g_wallMinusX[1].wz, 10240.0f);
    EXPECT_EQ(g_wallPlusX[0].wx, 10240.0f);
}

TEST_F(Model, TheGamesOwnCycleLoadsWithAllItsFacesColoured)
{
    InstallGameData();
    cycles[0].red = 1.0f, cycles[0].green = 0.8f, cycles[0].blue = 0.1f;
    for (int slot = 1; slot < MAX_CYCLES; slot++)
        cycles[slot].red = cycles[slot].green = cycles[slot].blue = 0.5f;
    // A colour word's top byte is always 0 once written: mark every entry as not written.
    for (auto &table : g_faceColours)
        std::fill(std::begin(table), std::end(table), 0xFFFFFFFFu);
    ASSERT_EQ(Model_Init(), 1);

    int nodes = 0, faces = 0, unlit = 0;
    Vertex face[MODEL_MAX_FACE_VERTICES];
    float largest = 0, lowest = 0;
    for (const ModelNode *node = g_headingModels[1]; node; node = node->next) {
        nodes++;
        for (int i = 0; i < node->vertexCount; i++) {
            largest = std::max(largest, std::fabs(node->vertices[i].wx));
            lowest = std::min(lowest, node->vertices[i].wy);
        }
        ModelFaceWalk walk;
        Model_StartFaces(&walk, node);
        while (Model_NextFace(&walk, face) > 0) {
            for (int slot = 0; slot < MAX_CYCLES; slot++) {
                EXPECT_EQ(g_faceColours[slot][faces] >> 24, 0u) << "face " << faces << " slot " << slot;
                unlit += g_faceColours[slot][faces] == 0;
            }
            faces++;
        }
    }
    EXPECT_EQ(nodes, 20);
    EXPECT_EQ(faces, 952);
    EXPECT_FLOAT_EQ(largest, 80.0f) << "80 units from the trail's end to the nose";
    EXPECT_FLOAT_EQ(lowest, -12.0f) << "the tyres stand on the floor";
    EXPECT_EQ(g_faceColours[0][faces], 0xFFFFFFFFu) << "no colour past the last face";
    // Only the few faces that look along x (or away from the light's plane) stay dark.
    EXPECT_LE(unlit, faces * MAX_CYCLES / 50);
}
