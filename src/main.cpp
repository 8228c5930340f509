// main.cpp -- the game: the SDL front end driving the application shell, with the software
// device showing its pages in the game window.
#include "graphics/device/soft/soft_device.h"
#include "platform/sdl/sdl_frontend.h"
#include "shell/shell.h"

int main()
{
    SoftDevice_SetPresenter(SDLFE_PresentPage);
    return App_Main(SDL_FrontEnd());
}
