// sdl_frontend.h -- the front end for players: an SDL2 window, its keyboard, a 25 ms tick thread.
#pragma once

#include <cstdint>

#include "platform/platform.h"

const FrontEnd *SDL_FrontEnd();
// Shows a finished 5-6-5 page in the game window, scaled to the screen with 4:3 letterboxing.
void SDLFE_PresentPage(void *window, const uint16_t *pixels, int pitchBytes, int width, int height);
// Whether the game window can show pages: 0, having said why on standard error, when the screen's
// pixels are of a kind that cannot be drawn (8 bits a pixel).
int SDLFE_CanShowPages(void *window);
// Makes the game window take its whole screen, at the desktop's own resolution, and waits a
// moment for the window system to agree. Hidden windows (tools drawing off screen) stay as they are.
void SDLFE_TakeScreen(void *window);
// Installs what repaints the window when it is uncovered or resized while a device draws into it
// directly (the hardware device); the software device's pages are repainted by the front end.
void SDLFE_SetRepaint(void (*repaint)());
// Installs what lets go of the game's devices when the display goes away: called once, with
// the tick stopped, just before the process ends with exit code 1. It must not touch the display.
void SDLFE_SetDisplayLost(void (*letGo)());
// Opens SDL on the display; 0, with a message on standard error, when there is no display to play
// on (SDL's off-screen drivers count only when SDL_VIDEODRIVER names them).
int SDLFE_OpenDisplay();
// Whether the game window is made for OpenGL (the default); a game on the software device asks
// for a plain one, and never loads the GL libraries.
void SDLFE_SetOpenGlWindow(int openGl);
// Plays in a 1280 x 960 window instead of taking the whole screen.
void SDLFE_SetWindowed(int windowed);
// Stops the tick and closes the window and SDL: the front end's Close.
void SDLFE_Shutdown();
// The virtual-key code of an SDL key, KEY_OTHER for keys the game has no code for.
int SDLFE_VirtualKey(int sdlKeycode);
