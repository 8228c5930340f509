// openal_audio.h -- the audio backend over OpenAL Soft: one device, eight channel sources placed
// relative to the listener, and the music's streaming source.
#pragma once

#include <cstdint>

struct AudioBackend;

// The default output device of the machine; where there is none, opening fails and the game
// runs silent. The music stream is kept fed by a thread of the backend's own.
const AudioBackend *OpenAL_Backend();
// Starts opening that device on a thread of its own, for the backend's Open to take when the game
// opens its sound; the game starts sooner.
void OpenAL_OpenAhead();

// A device that plays into memory instead: nothing is heard until OpenAL_Render asks for the
// next stretch of sound, and the music stream is fed just before, so the same calls always give
// the same sound. For tools and tests.
enum { OPENAL_RENDER_RATE = 48000 };
const AudioBackend *OpenAL_LoopbackBackend();
// Mixes the next count stereo frames at OPENAL_RENDER_RATE into out (silence when the loopback
// device is not open).
void OpenAL_Render(int16_t *out, int count);
