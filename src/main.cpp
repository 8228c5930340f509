// main.cpp -- the game: the SDL front end driving the application shell. The picture is drawn by
// the hardware device through OpenGL, or by the software device where OpenGL cannot be had;
// ZARKRIDE_DEVICE=soft asks for the software device from the start, for drivers that misbehave.
// Sound and music play through OpenAL Soft's default device, where there is one.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/device/fallback_device.h"
#include "graphics/device/gl/gl_device.h"
#include "graphics/device/soft/soft_device.h"
#include "graphics/gfx.h"
#include "platform/sdl/sdl_frontend.h"
#include "shell/shell.h"
#include "sound/openal/openal_audio.h"
#include "sound/sound.h"

// The display has gone: let go of sound, music and graphics without touching it.
static void LetGoWithoutDisplay()
{
    GlDevice_DisplayLost();
    MUS_StopAll();
    SND_Shutdown();
    GFX_Shutdown();
}

int main()
{
    SND_SetBackend(OpenAL_Backend());
    SoftDevice_SetPresenter(SDLFE_PresentPage);
    SDLFE_SetRepaint(GlDevice_Repaint);
    SDLFE_SetDisplayLost(LetGoWithoutDisplay);
    const char *choice = getenv("ZARKRIDE_DEVICE");
    if (choice && strcmp(choice, "soft") == 0)
        GFX_SetDeviceLayer(&g_softDevice);
    else {
        if (choice && *choice && strcmp(choice, "gl") != 0)
            fprintf(stderr, "zarkride: ZARKRIDE_DEVICE=%s is neither gl nor soft; using gl\n", choice);
        GFX_SetDeviceLayer(FallbackDevice_Start(&g_glDevice, &g_softDevice));
    }
    return App_Main(SDL_FrontEnd());
}
