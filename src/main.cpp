// main.cpp -- the game: the SDL front end driving the application shell.
#include "platform/sdl/sdl_frontend.h"
#include "shell/shell.h"

int main()
{
    return App_Main(SDL_FrontEnd());
}
