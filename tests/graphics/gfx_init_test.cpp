// Graphics start-up: every failure with its log line and clean-up, the silent fall-back from
// hardware to software, shutdown, and the crash handler.
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/gfx_fixture.h"

using GfxInit = GfxTest;

TEST_F(GfxInit, EveryFailureLogsItsLineAndReleasesWhatItMade)
{
    struct Case {
        const char *operation;
        int failAt;
        const char *message;
    } cases[] = {
        {"QueryInterface", 1, "GFX_Init : QueryInterface - ddraw went down!"},
        {"QueryInterface", 2, "GFX_Init : QueryInterface - d3d went down!"},
        {"SetCooperativeLevel", 1, "GFX_Init : SetCooperativeLevel went down!"},
        {"SetDisplayMode", 1, "GFX_Init : SetDisplayMode went down!"},
        {"CreateSurface", 1, "GFX_Init : CreateSurface went down!"},
        {"GetAttachedSurface", 1, "GFX_Init : GetAttachedSurface went down!"},
        {"CreateSurface", 2, "GFX_Init : CreateSurface - zbuffer went down!"},
        {"AddAttachedSurface", 1, "GFX_Init : AddAttachedSurface went down!"},
        {"CreateDevice", 1, "GFX_Init : Create3DDevice (1)!"},
        {"CreateViewport", 1, "GFX_Init : CreateViewport!"},
        {"AddViewport", 1, "GFX_Init : AddViewport!"},
        {"SetViewport2", 1, "GFX_Init : SetViewport2!"},
        {"SetCurrentViewport", 1, "GFX_Init : SetCurrentViewport!"},
    };
    for (const Case &c : cases) {
        FakeDeviceOptions options;
        options.failOperation = c.operation;
        options.failAt = c.failAt;
        Use(options);
        g_gfxDeviceKind = GFX_DEVICE_RGB;   // the software path, where every step can be reached
        remove("error.txt");
        int live = SoftDevice_LiveObjects(), bad = SoftDevice_BadReleases();

        EXPECT_EQ(GFX_Init(nullptr), 0) << c.message;
        EXPECT_EQ(LogLines(), std::vector<std::string>{c.message});
        EXPECT_EQ(SoftDevice_LiveObjects(), live) << c.message << ": something was not released";
        size_t mark = FakeDevice_Calls().size();
        GFX_Shutdown();
        EXPECT_TRUE(CallsSince(mark).empty()) << c.message << ": shutdown found more to release";
        EXPECT_EQ(SoftDevice_BadReleases(), bad) << c.message << ": released twice";
    }

    // A refused display mode hands the cooperative level back first.
    FakeDeviceOptions options;
    options.failOperation = "SetDisplayMode";
    Use(options);
    GFX_Init(nullptr);
    EXPECT_EQ(FakeDevice_Count("SetCooperativeLevel 0x8"), 1);

    // No display at all, on any driver.
    options.failOperation = "DirectDrawCreate";
    options.failEveryCall = true;
    Use(options);
    remove("error.txt");
    EXPECT_EQ(GFX_Init(nullptr), 0);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"GFX_Init : DirectDrawCreate went down!"});
}

TEST_F(GfxInit, WithoutHardwareItFallsBackToSoftwareSilently)
{
    EXPECT_EQ(GFX_Init(nullptr), 1);
    EXPECT_EQ(g_gfxDeviceKind, GFX_DEVICE_RGB);
    EXPECT_EQ(FakeDevice_Count("CreateDevice 1"), 1);
    EXPECT_EQ(FakeDevice_Count("CreateDevice 2"), 1);
    // System-memory pages, nearest filtering, no dithering; only the textures are complained of.
    EXPECT_EQ(FakeDevice_Count("CreateSurface caps 0x6218"), 1);
    EXPECT_EQ(FakeDevice_Count("CreateSurface caps 0x2a18"), 1);
    EXPECT_EQ(FakeDevice_Count("SetRenderState 17 1"), 1);
    EXPECT_EQ(FakeDevice_Count("SetRenderState 26 0"), 1);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "GFX_LoadTexture : Alpha.3df doesn't exist!",
                              "GFX_LoadTexture : floor.3df doesn't exist!",
                              "GFX_LoadTexture : kaboom.3df doesn't exist!",
                              "GFX_LoadTexture : wall1.3df doesn't exist!",
                          }));
    EXPECT_EQ(g_fontTexture, nullptr);
}

TEST_F(GfxInit, AHardwareDeviceKeepsItsKindAndItsRenderStates)
{
    FakeDeviceOptions options;
    options.hardware = true;
    options.secondaryDriver = true;
    options.failOperation = "DirectDrawCreate";   // the secondary driver will not open
    Use(options);
    EXPECT_EQ(GFX_Init(nullptr), 1);
    EXPECT_EQ(g_gfxDeviceKind, GFX_DEVICE_HAL);
    EXPECT_EQ(FakeDevice_Count("DirectDrawCreate secondary"), 1);
    EXPECT_EQ(FakeDevice_Count("DirectDrawCreate primary"), 1);
    EXPECT_EQ(FakeDevice_Count("CreateSurface caps 0x24000"), 1) << "depth in video memory";

    std::vector<std::string> states;
    for (const std::string &call : FakeDevice_Calls())
        if (call.rfind("SetRenderState", 0) == 0)
            states.push_back(call.substr(15));
    EXPECT_EQ(states, (std::vector<std::string>{"9 2", "27 0", "41 0", "19 2", "20 2", "29 0",
                                                "22 1", "4 1", "21 2", "26 1", "17 2", "18 2",
                                                "7 1", "14 1", "23 4", "44 1", "45 1"}));
}

TEST_F(GfxInit, ShutdownReleasesInOrderOnceOnly)
{
    ASSERT_EQ(GFX_Init(nullptr), 1);
    size_t mark = FakeDevice_Calls().size();
    GFX_Shutdown();
    std::vector<std::string> releases = CallsSince(mark);
    // Viewport, device, depth buffer, back buffer, primary surface, Direct3D, display: the
    // reverse of the order they were made in, so the handles come out in falling order.
    ASSERT_EQ(releases.size(), 7u);
    long previous = 1L << 40;
    for (const std::string &call : releases) {
        ASSERT_EQ(call.rfind("Release ", 0), 0u) << call;
        long handle = std::stol(call.substr(8));
        EXPECT_LT(handle, previous) << call;
        previous = handle;
    }
    mark = FakeDevice_Calls().size();
    GFX_Shutdown();
    EXPECT_TRUE(CallsSince(mark).empty());
    EXPECT_EQ(SoftDevice_BadReleases(), 0);
}

// A tool or test that starts the graphics twice: the first start's textures are let go of whole,
// and the drawing state no longer points at them.
TEST_F(GfxInit, StartingAgainLetsGoOfTheEarlierTexturesWhole)
{
    InstallGameData();
    GFX_SetDeviceLayer(&g_softDevice);
    ASSERT_EQ(GFX_Init(nullptr), 1);
    const int live = SoftDevice_LiveObjects();
    GFX_DrawText(0.0f, 0.0f, "A");
    ASSERT_EQ(g_currentTexture, g_fontTexture);
    GFX_Shutdown();
    g_gfxDeviceKind = GFX_DEVICE_HAL;
    ASSERT_EQ(GFX_Init(nullptr), 1);
    EXPECT_EQ(g_currentTexture, nullptr);
    EXPECT_EQ(SoftDevice_LiveObjects(), live);
    EXPECT_EQ(SoftDevice_BadReleases(), 0);
    GFX_ReleaseTextures();
}

// A crash ends the process by its own signal, at once, whatever the crashed code held: the
// handler touches neither the device nor the heap. The second crash comes inside malloc, with the
// heap's lock held: a chunk given back is overwritten to link to nowhere, as a stray write would,
// and the next malloc follows the link. Were the handler to let go of the device (which uses the
// heap), it would wait for ever on that lock; the child has a second to end before it is killed.
TEST_F(GfxInit, ACrashEndsTheProcessAtOnceWithoutTouchingDeviceOrHeap)
{
    for (int sig : {SIGSEGV, SIGILL}) {
        FakeDeviceOptions options;
        options.watch = [](const char *call) { fprintf(stderr, "%s\n", call); };
        Use(options);
        ASSERT_EQ(GFX_Init(nullptr), 1);
        EXPECT_EXIT(
            {
                fputs("crash\n", stderr);
                raise(sig);
                exit(0);    // reached only if the handler swallowed the crash
            },
            ::testing::KilledBySignal(sig), "crash\n$");
        Use(FakeDeviceOptions());
        GFX_Shutdown();
    }
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer keeps a heap of its own: glibc's heap lock is not there to hold";
#else
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(10);   // the parent kills it sooner; this only guards against a lost parent
        // A device that uses the heap as it lets go of its objects, as an OpenGL driver does.
        FakeDeviceOptions usesTheHeap;
        usesTheHeap.watch = [](const char *) {
            void *volatile block = malloc(4000);
            free(block);
        };
        Use(usesTheHeap);
        if (GFX_Init(nullptr) != 1)
            _exit(2);
        // The heap is locked only once the process has had a second thread.
        std::thread([] {}).join();
        void *given = malloc(2000);         // beyond the per-thread caches
        void *keepsApart = malloc(32);      // so it is not merged into the top
        volatile uintptr_t stray = reinterpret_cast<uintptr_t>(given);
        free(given);
        void *volatile *links = reinterpret_cast<void *volatile *>(stray);
        links[1] = reinterpret_cast<void *>(16);   // its link back, now to nowhere
        void *crashes = malloc(3000);
        _exit(crashes && keepsApart ? 3 : 4);   // malloc did not follow the link
    }
    int status = 0;
    pid_t ended = 0;
    for (int waited = 0; waited < 100 && ended == 0; waited++) {
        ended = waitpid(child, &status, WNOHANG);
        if (ended == 0)
            usleep(10000);
    }
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "a crash inside the heap left the process hanging for more than a second";
    }
    ASSERT_EQ(ended, child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV)
        << "ended with status " << status << ", not by SIGSEGV";
#endif
}
