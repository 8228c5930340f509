// sdl_frontend.h -- the front end for players: an SDL2 window, its keyboard, a 25 ms tick thread.
#pragma once

#include "platform/platform.h"

const FrontEnd *SDL_FrontEnd();
// The virtual-key code of an SDL key, KEY_OTHER for keys the game has no code for.
int SDLFE_VirtualKey(int sdlKeycode);
