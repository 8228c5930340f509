// backend.h -- what the sound channels and the music ask of an audio device: channel buffers
// with their own gain, rate and 3-D place, and one stream of music pulled from a filler. Backends
// live in sound/<name>/.
#pragma once

#include <cstdint>

#include "sound/sound.h"
#include "sound/wav.h"

struct AudioBackend {
    const char *name;
    // Opens the device with its listener: rolloff and Doppler factor 5. 1 = a device to play on.
    int  (*Open)();
    // Makes a channel's buffer for size bytes of sound in format, played once or looping; then
    // Lock gives its memory to fill (null: it cannot be locked) and Unlock hands the sound over.
    int  (*CreateBuffer)(int channel, const WavFormat *format, uint32_t size, int looping);
    void *(*Lock)(int channel);
    void (*Unlock)(int channel);
    int  (*Play)(int channel);                                     // 1 = playing
    void (*Stop)(int channel);
    void (*SetVolume)(int channel, int32_t hundredthsOfDecibel);
    void (*SetFrequency)(int channel, uint32_t hertz);
    // Listener-relative place; heard at full volume within 1.1 units, no quieter beyond 11.1.
    void (*SetPosition)(int channel, float x, float y, float z, float vx, float vy, float vz);
    // Starts the music stream: fill is asked for blocks of 16-bit stereo frames at rate on the
    // backend's own time, until it gives 0 frames. 1 = started.
    int  (*StartStream)(int rate, SndStreamFill fill, void *context);
    void (*StopStream)();
    void (*Close)();
};
