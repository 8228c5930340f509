// soft_device.h -- the software device: pages, depth buffer and textures in memory, drawn by our
// own rasteriser. In a window each flipped page goes to a presenter; headless the pages stay in
// memory, where tests read them and tools save them.
#pragma once

#include <cstdint>

#include "graphics/device/device.h"

extern const GfxDevice g_softDevice;

// Shows a finished 640 x 480 page of 5-6-5 pixels; installed by the front end that has a window.
typedef void (*SoftPresenter)(void *window, const uint16_t *pixels, int pitchBytes, int width,
                              int height);
void SoftDevice_SetPresenter(SoftPresenter presenter);
// Whether the window can show pages at all, asked when the game sets its display mode: 0 (the
// front end having said why) fails that, and with it the graphics start-up, rather than letting
// the game run on unseen. Installed with the presenter; without one every window can.
typedef int (*SoftScreenCheck)(void *window);
void SoftDevice_SetScreenCheck(SoftScreenCheck canShow);

// The page on show since the last flip (or the front page before any flip): 1 and its pixels
// while a display exists, else 0.
int SoftDevice_FrontPage(const uint16_t **pixels, int *pitchPixels, int *width, int *height);
// Saves the page on show as a PNG; 1 when written.
int SoftDevice_SavePng(const char *path);
// Objects created and not yet released, for tests that check nothing leaks or is freed twice.
int SoftDevice_LiveObjects();
// Releases of objects that were already gone (0 in a correct program).
int SoftDevice_BadReleases();
