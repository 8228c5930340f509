// Scene drawing: what each cycle state draws, the trail walls and their head, the radar, the
// floor rule for the walls, and the cycle model's faces and colours.
#include <algorithm>
#include <cmath>

#include "model/model.h"
#include "scene/math3d.h"
#include "scene/scene.h"
#include "support/arena.h"
#include "support/gfx_fixture.h"
#include "support/model_files.h"

class Scene : public GfxTest {
protected:
    void SetUp() override
    {
        GfxTest::SetUp();
        InstallGameData();
        StartPlay(2);
    }
    // The graphics on the fake device (hardware, where face colours show), the given model.
    void Start(const std::string &model, bool hardware = false)
    {
        WriteFile("zark2.wrl", model);
        FakeDeviceOptions options;
        options.hardware = hardware;
        Use(options);
        ASSERT_EQ(GFX_Init(nullptr), 1);
        ASSERT_EQ(Scene_BuildArena(), 1);
        FakeDevice_ClearPrimitives();
    }
    static void LookFrom(float ex, float ey, float ez, float tx, float ty, float tz)
    {
        float eye[3] = {ex, ey, ez}, target[3] = {tx, ty, tz};
        Math_LookAt(eye, target);
    }
    static const std::vector<FakePrimitive> &Drawn() { return FakeDevice_Primitives(); }
    static float Extent(const FakePrimitive &p, bool vertical)
    {
        float lo = 1e9f, hi = -1e9f;
        for (const TLVertex &v : p.vertices) {
            lo = std::min(lo, vertical ? v.sy : v.sx);
            hi = std::max(hi, vertical ? v.sy : v.sx);
        }
        return hi - lo;
    }
};

// Two drawable nodes: a box at the back (x 0..10) and a box at the front (x 70..80).
static std::string TwoPartModel(bool frontDefinedLast)
{
    const char *box = "0 0 0\n 0 10 0\n 0 10 10\n 0 0 10\n";
    std::string back = FaceSet("BACK", box, "0 1 2 3 -1");
    std::string front = FaceSet("FRONT", "80 0 0\n 80 10 0\n 80 10 10\n 80 0 10\n 70 0 0\n",
                                "0 1 2 3 -1 0 4 1 -1 1 -1");
    return frontDefinedLast ? back + front : front + back;
}

TEST_F(Scene, EachCycleStateDrawsItsBodyOrNothing)
{
    Start(TwoPartModel(true));
    LookFrom(0, 250, -3000, 0, 250, 0);
    struct Case {
        const char *what;
        int crashTimer;
        float speed;
        int primitives;
        float halfWidth, height;    // of an explosion, world units
    } cases[] = {
        {"driving: the model's three faces", 0, 10, 3, 0, 0},
        {"the frame of the crash: nothing", 0, 0, 0, 0, 0},
        {"first frame of the explosion", 1, 0, 2, 80, 100},
        {"fifth", 5, 0, 2, 400, 500},
        {"ninth and last", 9, 0, 2, 720, 900},
        {"after the explosion: nothing", 10, 0, 0, 0, 0},
        {"out of play: nothing", -1, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        PlaceCycle(0, 0.0f, 0.0f, 1, c.speed);
        cycles[0].crashTimer = c.crashTimer;
        FakeDevice_ClearPrimitives();
        Scene_DrawCycle(0);
        ASSERT_EQ((int)Drawn().size(), c.primitives) << c.what;
        if (c.halfWidth == 0)
            continue;
        // Two crossed billboards; the one facing the camera shows the explosion's size.
        EXPECT_EQ(Drawn()[0].texture, g_explosionTexture->handle) << c.what;
        float pixelsPerUnit = 320.0f * g_projectionMatrix[0] / 3000.0f;
        EXPECT_NEAR(Extent(Drawn()[0], false), 2 * c.halfWidth * pixelsPerUnit, 0.5f) << c.what;
        EXPECT_NEAR(Extent(Drawn()[0], true), c.height * 240.0f * g_projectionMatrix[5] / 3000.0f, 0.5f)
            << c.what;
    }
}

TEST_F(Scene, TrailWallsSinkAfterTheCrashAndEndInABrightHead)
{
    Start(TwoPartModel(true));
    // The camera looks level along +z at the wall 1000 ahead: one world unit of height is
    // 0.24 pixels.
    LookFrom(0, 0, 0, 0, 0, 1000);
    const float pixelsPerUnit = 240.0f * g_projectionMatrix[5] / 1000.0f;
    struct Case { int crashTimer; float height; } cases[] = {{0, 40}, {80, 40}, {90, 30}, {119, 1}};
    for (const Case &c : cases) {
        PlaceCycle(0, 520.0f, 1000.0f, 1);
        cycles[0].color = 0x00204080;
        SetTrail(0, {{-500, 1000}, {520, 1000}});
        cycles[0].crashTimer = c.crashTimer;
        FakeDevice_ClearPrimitives();
        Scene_DrawTrail(0);
        ASSERT_EQ(Drawn().size(), 2u) << "the wall and its head";
        const FakePrimitive &wall = Drawn()[0], &head = Drawn()[1];
        EXPECT_NEAR(Extent(wall, true), c.height * pixelsPerUnit, 1e-3) << c.crashTimer;
        // The head runs from the wall's end, in the cycle's colour, to the cycle, in white,
        // its top falling to three quarters of the wall.
        ASSERT_EQ(head.vertices.size(), 4u);
        // (The player's trail has blue 63 whatever its colour; 256ths pack to 255ths.)
        EXPECT_EQ(head.vertices[0].color, 0x007F3F3Eu);
        EXPECT_EQ(head.vertices[1].color, 0x007F3F3Eu);
        EXPECT_EQ(head.vertices[2].color, 0x00FEFEFEu);
        EXPECT_EQ(head.vertices[3].color, 0x00FEFEFEu);
        EXPECT_NEAR(head.vertices[2].sy - head.vertices[3].sy, 0.75f * c.height * pixelsPerUnit, 1e-3);
        EXPECT_NEAR(head.vertices[1].sy - head.vertices[0].sy, c.height * pixelsPerUnit, 1e-3);
    }
    cycles[0].crashTimer = -1;
    FakeDevice_ClearPrimitives();
    Scene_DrawTrail(0);
    EXPECT_TRUE(Drawn().empty()) << "a cycle out of play has no walls";
}

TEST_F(Scene, TheRadarShowsInPlayButNotInTheDemo)
{
    Start(TwoPartModel(true));
    LookFrom(0, 300, -3000, 0, 0, 0);
    PlaceCycle(0, 0.0f, 0.0f, 1);
    SetTrail(0, {{-2000, 0}, {-2000, 1000}, {0, 1000}, {0, 0}});
    PlaceCycle(1, 3000.0f, 3000.0f, 0);
    for (int demo : {0, 1}) {
        demoMode = demo;
        FakeDevice_ClearPrimitives();
        Scene_Draw();
        int lines = 0, radarSquare = 0;
        for (const FakePrimitive &p : Drawn()) {
            if (p.type == D3DPT_LINESTRIP)
                lines++;
            else if (p.vertices.size() == 3 && p.vertices[0].sx >= 25 && p.vertices[0].sx <= 225 &&
                     p.vertices[0].sy >= 25 && p.vertices[0].sy <= 225)
                radarSquare++;
        }
        EXPECT_EQ(lines, demo ? 0 : 3 + 1) << "three segments of slot 0, one of slot 1";
        EXPECT_EQ(radarSquare, demo ? 0 : 2);
    }
}

TEST_F(Scene, TheWallsAreLeftOutWhenTheFloorClipsToATriangle)
{
    Start(TwoPartModel(true));
    // Look for a camera that sees only a sliver of the floor's corner.
    bool found = false;
    for (float d = 100; d < 20000 && !found; d *= 1.25f) {
        for (float h = 50; h < 5000 && !found; h *= 1.5f) {
            LookFrom(10240 + d, h, 10240 + d, 10240 + 2 * d, 0, 10240 + 2 * d);
            Vertex floor[4], clipped[MATH_CLIP_MAX];
            std::copy(g_floorQuad, g_floorQuad + 4, floor);
            Math_ViewTransform(4, floor);
            found = Math_ClipToFrustum(4, floor, clipped) == 3;
        }
    }
    ASSERT_TRUE(found);
    FakeDevice_ClearPrimitives();
    Scene_DrawArena();
    EXPECT_TRUE(Drawn().empty());

    LookFrom(0, 500, 0, 0, 0, 3000);
    FakeDevice_ClearPrimitives();
    Scene_DrawArena();
    EXPECT_EQ(Drawn().size(), 4u) << "the floor, the +z wall ahead and the two side walls";
}

TEST_F(Scene, AModelIsCutShortAtItsFirstNodeOutsideTheView)
{
    for (bool frontFirstInList : {true, false}) {
        Start(TwoPartModel(frontFirstInList));
        // The eye sits between the model's two parts, looking forward: the back part is behind.
        LookFrom(40, 17, 5, 200, 17, 5);
        FakeDevice_ClearPrimitives();
        Scene_DrawCycleModel(0, 0, 0, 1, 0);
        EXPECT_EQ(Drawn().size(), frontFirstInList ? 2u : 0u) << frontFirstInList;
    }
}

TEST_F(Scene, FacesTakeTheirSlotsColoursInFaceOrder)
{
    Start(TwoPartModel(true), true);
    cycles[1].red = 1.0f, cycles[1].green = 0.5f, cycles[1].blue = 0.25f;
    Model_Prepare();    // the colours of the slot just painted
    ASSERT_EQ(Scene_BuildArena(), 1);
    LookFrom(-300, 100, -300, 40, 0, 5);
    FakeDevice_ClearPrimitives();
    Scene_DrawCycleModel(0, 12, 0, 1, 1);
    ASSERT_EQ(Drawn().size(), 3u);
    for (int face = 0; face < 3; face++) {
        uint32_t abgr = g_faceColours[1][face];
        uint32_t argb = (abgr & 0xFF00FF00) | (abgr & 0xFF) << 16 | (abgr >> 16 & 0xFF);
        for (const TLVertex &v : Drawn()[face].vertices)
            EXPECT_EQ(v.color, argb) << "face " << face;
    }
    EXPECT_NE(g_faceColours[1][0], g_faceColours[1][1]) << "faces facing different ways differ";
}
