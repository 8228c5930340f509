// gl_device.h -- the hardware device: OpenGL 3.3 core in the game's SDL window. The game's
// 640 x 480 picture is drawn at the screen's own resolution into the largest 4:3 area of the
// window, with black bars around it. Only the hardware kind of 3-D device can be made here; when
// no OpenGL 3.3 core context can be had, making it fails and the graphics start-up falls back to
// the software device.
#pragma once

#include "graphics/device/device.h"

extern const GfxDevice g_glDevice;

// Makes the game's window take its whole screen, when the game sets its display mode; installed
// by the front end that has a window. Without one the window stays as it is.
typedef void (*GlScreenTaker)(void *window);
void GlDevice_SetScreenTaker(GlScreenTaker take);
// Shows the page on show again, after the window was uncovered or resized; nothing when no
// hardware device is running.
void GlDevice_Repaint();
// The size of the pages in device pixels while a hardware device is running: 1, else 0.
int GlDevice_PageSize(int *width, int *height);
// Saves the page on show, at the size it is drawn, as a PNG; 1 when written.
int GlDevice_SavePng(const char *path);
// The display has gone: from now on the device lets go of its objects without a word to the
// graphics driver, whose connection is dead.
void GlDevice_DisplayLost();
// Objects created and not yet released, for tests that check nothing leaks.
int GlDevice_LiveObjects();
