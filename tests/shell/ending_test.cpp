// The game ended from inside a frame, in the real window: the same shutdown as a quit runs first,
// so the process ends with the game's own exit code rather than an abort.
#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "game/game.h"
#include "graphics/device/soft/soft_device.h"
#include "graphics/gfx.h"
#include "platform/sdl/sdl_frontend.h"
#include "shell/shell.h"
#include "sound/openal/openal_audio.h"
#include "sound/sound.h"

namespace {

std::atomic<bool> outOfMemory{false};

void *RunsOut(size_t count, size_t size)
{
    return outOfMemory ? nullptr : calloc(count, size);
}

// Starts the demo from the title once the window is up, and runs memory out a little later.
void PressDThenRunOut()
{
    while (!SDL_WasInit(SDL_INIT_EVENTS))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SDL_Event key = {};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_d;
    SDL_PushEvent(&key);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    outOfMemory = true;
}

void PlayUntilMemoryRunsOut()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    g_trailAllocate = RunsOut;
    SND_SetBackend(OpenAL_Backend());
    SoftDevice_SetPresenter(SDLFE_PresentPage);
    GFX_SetDeviceLayer(&g_softDevice);
    std::thread(PressDThenRunOut).detach();
    exit(App_Main(SDL_FrontEnd()) + 100);   // never reached: the game ends in a frame
}

}  // namespace

TEST(EndingTheGame, OutOfMemoryForATrailDuringPlayEndsWithCodeOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_EQ(chdir(ZARKRIDE_GAME_DIR), 0);
    EXPECT_EXIT(PlayUntilMemoryRunsOut(), testing::ExitedWithCode(1),
                "out of memory for the trail of cycle");
}
