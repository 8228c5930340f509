// sdl_gamepad.h -- game controllers as the keyboard: each pad control sends the virtual key of
// the keyboard command it stands for, down when pressed and up when released.
#pragma once

#include <SDL.h>

#include <vector>

#include "platform/platform.h"

// Opens pads as they are plugged in and closes them as they go; turns their buttons, sticks and
// triggers into key events appended to *out. `titleLeft`: a key has already left the title, so
// the demo button no longer sends D (which would quit a game under way).
void Pad_Translate(const SDL_Event &e, bool titleLeft, std::vector<PlatformEvent> *out);
// Start held for a second quits: the quit key, once, when the second is up at `nowMs`.
void Pad_CheckHeld(Uint32 nowMs, std::vector<PlatformEvent> *out);
// Closes every open pad.
void Pad_CloseAll();
