// The frame steps: clearing and filling, the score row and help lines on screen, the title
// screen's silence, raw pixel writes and the page flip, each failure with its log line.
#include <set>

#include "game/game.h"
#include "graphics/gfx_local.h"
#include "support/gfx_fixture.h"

class Frame : public GfxTest {
protected:
    void SetUp() override
    {
        GfxTest::SetUp();
        InstallGameData();
    }
    void Start(const FakeDeviceOptions &options = FakeDeviceOptions())
    {
        Use(options);
        ASSERT_EQ(GFX_Init(nullptr), 1);
        titleShowing = 0;
    }
    static void DrawFrame()
    {
        GFX_PreDraw_Step(1);
        GFX_PostDraw_Step();
    }
    // Columns and rows of the page on show that are not black.
    static void LitArea(std::set<int> *columns, std::set<int> *rows)
    {
        const uint16_t *pixels;
        int pitch, width, height;
        ASSERT_TRUE(SoftDevice_FrontPage(&pixels, &pitch, &width, &height));
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                if (pixels[y * pitch + x]) {
                    columns->insert(x);
                    rows->insert(y);
                }
    }
    static bool AnyLit(const std::set<int> &columns, int from, int to)
    {
        auto it = columns.lower_bound(from);
        return it != columns.end() && *it < to;
    }
};

TEST_F(Frame, ScoresSpreadAcrossTheTopRowWithTheirSigns)
{
    struct Case { int count; std::vector<int> xs; } cases[] = {
        {2, {0, 600}}, {4, {0, 200, 400, 600}}, {5, {0, 150, 300, 450, 600}},
    };
    for (const Case &c : cases) {
        Start();
        cycleCount = c.count;
        for (int i = 0; i < c.count; i++)
            cycles[i].score = i == 1 ? -3 : 7;
        DrawFrame();
        std::set<int> columns, rows;
        LitArea(&columns, &rows);
        ASSERT_FALSE(rows.empty());
        EXPECT_GE(*rows.begin(), 17) << c.count << " cycles";
        EXPECT_LE(*rows.rbegin(), 31) << c.count << " cycles";
        for (int i = 0; i < c.count; i++) {
            int characters = i == 1 ? 2 : 1;
            EXPECT_TRUE(AnyLit(columns, c.xs[i], c.xs[i] + 15)) << c.count << " cycles, score " << i;
            if (characters == 2) {
                EXPECT_TRUE(AnyLit(columns, c.xs[i] + 16, c.xs[i] + 31)) << "the minus sign";
            }
            // Nothing lit between one score and the next.
            int next = i + 1 < c.count ? c.xs[i + 1] : 640;
            EXPECT_FALSE(AnyLit(columns, c.xs[i] + 16 * characters, next)) << c.count << " " << i;
        }
    }
}

TEST_F(Frame, HelpLinesShowWhileHeldAndNothingShowsOnTheTitle)
{
    Start();
    showScores = 0;
    helpShowing = 1;
    DrawFrame();
    std::set<int> columns, rows;
    LitArea(&columns, &rows);
    // Three lines 15 pixels apart from the top; the longest is 38 characters.
    EXPECT_GE(*rows.begin(), 17);
    EXPECT_LE(*rows.rbegin(), 61);
    EXPECT_TRUE(rows.count(40) || rows.count(41) || rows.count(42));
    EXPECT_LT(*columns.rbegin(), 38 * 16);
    EXPECT_GE(*columns.rbegin(), 37 * 16);

    titleShowing = 1;
    size_t mark = FakeDevice_Calls().size();
    DrawFrame();
    for (const std::string &call : CallsSince(mark))
        EXPECT_EQ(call.rfind("DrawPrimitive", 0), std::string::npos) << "drawn on the title";
    columns.clear(), rows.clear();
    LitArea(&columns, &rows);
    EXPECT_TRUE(rows.empty());
}

TEST_F(Frame, TextCellsAre15PixelsSquareAnd16Apart)
{
    Start();
    GFX_PreDraw_Step(1);
    GFX_DrawText(550.0f, 10.0f, "V1.2");
    titleShowing = 1;
    GFX_PostDraw_Step();
    std::set<int> columns, rows;
    LitArea(&columns, &rows);
    ASSERT_FALSE(columns.empty());
    EXPECT_GE(*columns.begin(), 550);
    EXPECT_LE(*columns.rbegin(), 613);
    EXPECT_GE(*rows.begin(), 480 - 25);
    EXPECT_LE(*rows.rbegin(), 480 - 11);
}

TEST_F(Frame, FillingBlackensTheBackBufferAndTheDepthIsAlwaysCleared)
{
    Start();
    void *bits;
    int pitch;
    for (int fill : {0, 1}) {
        g_gfxDevice->Lock(g_backBuffer, &bits, &pitch);
        static_cast<uint16_t *>(bits)[1000] = 0x1234;
        g_gfxDevice->Unlock(g_backBuffer);
        g_gfxDevice->Lock(g_depthBuffer, &bits, &pitch);
        static_cast<uint16_t *>(bits)[1000] = 7;
        g_gfxDevice->Unlock(g_depthBuffer);

        GFX_PreDraw_Step(fill);
        g_gfxDevice->Lock(g_backBuffer, &bits, &pitch);
        EXPECT_EQ(static_cast<uint16_t *>(bits)[1000], fill ? 0 : 0x1234) << fill;
        g_gfxDevice->Lock(g_depthBuffer, &bits, &pitch);
        EXPECT_EQ(static_cast<uint16_t *>(bits)[1000], 0xFFFF) << fill;
        GFX_PostDraw_Step();
    }
}

TEST_F(Frame, WritePixelsLandsTopLeftOrReportsItsLock)
{
    Start();
    std::vector<uint16_t> picture(4 * 3, 0xBEEF);
    EXPECT_EQ(GFX_WritePixels(1, 99, 99, 4, 3, picture.data()), 1);
    void *bits;
    int pitch;
    g_gfxDevice->Lock(g_backBuffer, &bits, &pitch);
    const uint16_t *page = static_cast<uint16_t *>(bits);
    EXPECT_EQ(page[0], 0xBEEF);
    EXPECT_EQ(page[2 * pitch / 2 + 3], 0xBEEF);
    EXPECT_EQ(page[2 * pitch / 2 + 4], 0);
    EXPECT_EQ(page[3 * pitch / 2], 0);

    FakeDeviceOptions options;
    options.failOperation = "Lock";
    options.failEveryCall = true;
    Start(options);
    remove("error.txt");
    EXPECT_EQ(GFX_WritePixels(1, 0, 0, 4, 3, picture.data()), 0);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"GFX_WritePixels : Lock went down!"});
}

TEST_F(Frame, EveryFailingStepIsLoggedAndTheFrameGoesOn)
{
    struct Case { const char *operation; std::vector<std::string> messages; } cases[] = {
        {"Clear", {"GFX_PreDraw_Step : Clear went down!"}},
        {"ColorFill", {"GFX_PreDraw_Step : Blt went down!"}},
        // A scene that never began cannot end either.
        {"BeginScene", {"GFX_PreDraw_Step : BeginScene went down!",
                        "GFX_PostDraw_Step : EndScene went down!"}},
        {"EndScene", {"GFX_PostDraw_Step : EndScene went down!"}},
        {"WaitForVerticalBlank", {"GFX_BufferSwap : WaitForVerticalBlank went down!"}},
        {"Flip", {"GFX_BufferSwap : Flip went down!"}},
        {"DrawPrimitive", {"GFX_DrawTriangle : DrawPrimitive went down!"}},
    };
    for (const Case &c : cases) {
        FakeDeviceOptions options;
        options.failOperation = c.operation;
        Start(options);
        remove("error.txt");
        showScores = 1;
        cycleCount = 2;
        cycles[0].score = cycles[1].score = 5;
        DrawFrame();
        EXPECT_EQ(LogLines(), c.messages) << c.operation;
        // The flip is still done when the wait for the vertical blank fails.
        int flips = FakeDevice_Count("Flip");
        EXPECT_EQ(flips, 1) << c.operation;
    }
}
