// The vertex conversion for the device and the drawing state on both device kinds.
#include <cmath>

#include "support/gfx_fixture.h"

class Drawing : public GfxTest {
protected:
    void Start(bool hardware)
    {
        FakeDeviceOptions options;
        options.hardware = hardware;
        Use(options);
        ASSERT_EQ(GFX_Init(nullptr), 1);
    }
    // The render states set since mark, as "state value".
    static std::vector<std::string> StatesSince(size_t mark)
    {
        std::vector<std::string> states;
        for (const std::string &call : CallsSince(mark))
            if (call.rfind("SetRenderState ", 0) == 0)
                states.push_back(call.substr(15));
        return states;
    }
};

TEST_F(Drawing, VerticesConvertToTheDevicesDepthRowsAndColours)
{
    struct Case {
        const char *what;
        float sy, depth, r, g, b, a;
        float deviceY, deviceZ, rhw;
        uint32_t colour;
    } cases[] = {
        {"the near depth", 0, 10, 255, 255, 255, 255, 480, 0.0f, 0.1f, 0xFEFEFEFE},
        {"the far depth", 480, 20000, 256, 0, 128, 256, 0, 1.0f, 1.0f / 20000, 0xFFFF007F},
        {"half way", 240, 20, 0, 0, 0, 0, 240, (float)(20000.0 * 10 / (19990.0 * 20)), 0.05f, 0},
        {"out of range: held at 0 and 255", 0, 10, 300, -1, NAN, 1e30f, 480, 0.0f, 0.1f,
         0xFFFF0000},
    };
    for (const Case &c : cases) {
        Vertex v = {};
        v.sx = 123.5f, v.sy = c.sy, v.depth = c.depth;
        v.r = c.r, v.g = c.g, v.b = c.b, v.a = c.a;
        TLVertex out = {};
        GFX_ConvertVertex(&out, &v);
        EXPECT_EQ(out.sx, 123.5f) << c.what;
        EXPECT_EQ(out.sy, c.deviceY) << c.what;
        EXPECT_FLOAT_EQ(out.sz, c.deviceZ) << c.what;
        EXPECT_FLOAT_EQ(out.rhw, c.rhw) << c.what;
        EXPECT_EQ(out.color, c.colour) << c.what;
        EXPECT_EQ(out.specular, c.colour) << c.what;
    }

    // Flat colour replaces the vertex's own; texture coordinates follow the current texture.
    GfxTexture texture = {};
    texture.uScale = 1.0f / 128, texture.vScale = 1.0f / 256;
    g_currentTexture = &texture;
    g_flatColourMode = 1;
    g_flatColour = 0x80112233;
    Vertex v = {};
    v.depth = 10, v.r = 256, v.u = 64, v.v = 64;
    TLVertex out = {};
    GFX_ConvertVertex(&out, &v);
    EXPECT_EQ(out.color, 0x80112233u);
    EXPECT_EQ(out.specular, 0x80112233u);
    EXPECT_EQ(out.tu, 0.5f);
    EXPECT_EQ(out.tv, 0.25f);
    g_currentTexture = nullptr;
    out.tu = 7.0f;
    GFX_ConvertVertex(&out, &v);
    EXPECT_EQ(out.tu, 7.0f) << "no texture: coordinates not computed";
}

TEST_F(Drawing, TexturesSetFiltersOnlyOnHardware)
{
    GfxTexture eightLevels = {}, oneLevel = {};
    eightLevels.levelCount = 8, eightLevels.handle = 41;
    oneLevel.levelCount = 1, oneLevel.handle = 42;

    Start(true);
    size_t mark = FakeDevice_Calls().size();
    GFX_SetTexture(&eightLevels);
    GFX_SetTexture(&oneLevel);
    GFX_SetTexture(nullptr);
    EXPECT_EQ(StatesSince(mark), (std::vector<std::string>{"17 4", "18 4", "1 41", "17 2", "18 2",
                                                           "1 42", "1 0"}));
    Start(false);
    mark = FakeDevice_Calls().size();
    GFX_SetTexture(&eightLevels);
    EXPECT_EQ(StatesSince(mark), std::vector<std::string>{"1 41"});

    // Flat colour drops the texture; turning it off does not bring it back.
    GFX_FlatColourOn();
    EXPECT_EQ(g_currentTexture, nullptr);
    EXPECT_EQ(g_flatColourMode, 1);
    GFX_FlatColourOff();
    EXPECT_EQ(g_currentTexture, nullptr);
    EXPECT_EQ(g_flatColourMode, 0);
}

TEST_F(Drawing, FlatColoursSwapToTheDevicesOrderOnHardwareOnly)
{
    Start(true);
    GFX_SetFlatColour(0x00FF0000);
    EXPECT_EQ(g_flatColour, 0x000000FFu) << "pure blue";
    GFX_SetFlatColour(0xA0606060);
    EXPECT_EQ(g_flatColour, 0xA0606060u);
    GFX_SetFlatColour(0x12345678);
    EXPECT_EQ(g_flatColour, 0x12785634u);
    GFX_SetFlatColour(0xFFFFFFFF);
    EXPECT_EQ(g_flatColour, 0x12785634u) << "white leaves the colour as it was";

    Start(false);
    GFX_SetFlatColour(0x00FF0000);
    EXPECT_EQ(g_flatColour, 0xFFFFFFFFu) << "the software device keeps opaque white";
}

TEST_F(Drawing, BlendModesSetOnlyTheirOwnStates)
{
    struct Case {
        int mode;
        std::vector<std::string> hardware, software;
    } cases[] = {
        {0, {"27 0"}, {"41 0"}},
        {1, {"27 1", "19 5", "20 6"}, {"41 1"}},
        {2, {"27 1", "19 2", "20 2"}, {"41 0"}},
        {3, {"27 1", "19 3", "20 9"}, {"41 0"}},
        {4, {}, {}},
        {-1, {}, {}},
    };
    for (bool hardware : {true, false}) {
        Start(hardware);
        for (const Case &c : cases) {
            size_t mark = FakeDevice_Calls().size();
            GFX_SetBlendMode(c.mode);
            EXPECT_EQ(StatesSince(mark), hardware ? c.hardware : c.software) << c.mode;
        }
    }
}

// Each drawing call hands the device one primitive of its kind, and a draw the device refuses is
// logged under the call's own name. A vertex array is a fan of contiguous vertices, whatever kind
// and stride it is given.
TEST_F(Drawing, EachCallDrawsItsPrimitiveAndLogsARefusalUnderItsName)
{
    Vertex v[5] = {};
    for (int i = 0; i < 5; i++)
        v[i].sx = 10.0f * i, v[i].sy = 20.0f * i, v[i].depth = 100;
    struct Case {
        const char *name;
        void (*draw)(const Vertex *v);
        int type, count;
    } cases[] = {
        {"GFX_DrawTriangle", [](const Vertex *v) { GFX_DrawTriangle(&v[0], &v[1], &v[2]); },
         D3DPT_TRIANGLEFAN, 3},
        {"GFX_DrawPolygon", [](const Vertex *v) { GFX_DrawPolygon(5, v); }, D3DPT_TRIANGLEFAN, 5},
        {"GFX_DrawVertexArray", [](const Vertex *v) { GFX_DrawVertexArray(D3DPT_LINESTRIP, 5, v, 7); },
         D3DPT_TRIANGLEFAN, 5},
        {"GFX_DrawLine", [](const Vertex *v) { GFX_DrawLine(&v[0], &v[1]); }, D3DPT_LINESTRIP, 2},
    };
    for (const Case &c : cases) {
        FakeDeviceOptions refusing;
        refusing.failOperation = "DrawPrimitive";
        for (const FakeDeviceOptions &options : {FakeDeviceOptions(), refusing}) {
            Use(options);
            ASSERT_EQ(GFX_Init(nullptr), 1);
            remove("error.txt");
            FakeDevice_ClearPrimitives();
            c.draw(v);
            ASSERT_EQ(FakeDevice_Primitives().size(), options.failOperation.empty() ? 1u : 0u) << c.name;
            if (options.failOperation.empty()) {
                const FakePrimitive &drawn = FakeDevice_Primitives()[0];
                EXPECT_EQ(drawn.type, c.type) << c.name;
                ASSERT_EQ((int)drawn.vertices.size(), c.count) << c.name;
                EXPECT_EQ(drawn.vertices[c.count - 1].sx, v[c.count - 1].sx) << c.name;
                EXPECT_TRUE(LogLines().empty()) << c.name;
            } else {
                EXPECT_EQ(LogLines(), std::vector<std::string>{std::string(c.name) + " : DrawPrimitive went down!"});
            }
        }
    }
}
