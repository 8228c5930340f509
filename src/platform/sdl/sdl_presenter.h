// sdl_presenter.h -- the software device's pages shown in the game window's own pixels, handed to
// the window system as they are (over shared memory on X11): no OpenGL at all, so a game on the
// software device never loads a GL driver.
#pragma once

#include <SDL.h>

#include <cstdint>

// Whether the window has pixels a page can be shown in; false, having said why on standard error,
// when the screen's pixels are of a kind SDL cannot draw (a screen of 8 bits a pixel).
bool Presenter_CanShow(SDL_Window *window);
// Shows a width x height page of 5-6-5 pixels scaled to the window by whole pixels (the nearest
// page pixel for each window pixel), keeping its shape in the middle of the window, on black.
void Presenter_Show(SDL_Window *window, const uint16_t *pixels, int pitchBytes, int width,
                    int height);
// Whether a page is in the window's pixels.
bool Presenter_Showing();
// Puts the last page on the screen again, after the window was uncovered or resized; false when
// no page is showing (a device draws into the window straight).
bool Presenter_Repaint(SDL_Window *window);
// Forgets the window's pixels and all worked out for them: the window is going.
void Presenter_Forget();
