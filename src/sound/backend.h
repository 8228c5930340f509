// backend.h -- what the sound channels ask of an audio device. Backends live in sound/<name>/.
#pragma once

#include <cstdint>

struct AudioBackend {
    const char *name;
    int  (*Open)();                                                // 1 = a device to play on
    // Loads a sound file into a channel; 0 = loaded, anything else = the channel stays silent.
    int  (*LoadChannel)(int channel, const char *path, int looping);
    int  (*Play)(int channel);                                     // 1 = playing
    void (*Stop)(int channel);
    void (*SetVolume)(int channel, int32_t hundredthsOfDecibel);
    void (*SetFrequency)(int channel, uint32_t hertz);
    void (*SetPosition)(int channel, float x, float y, float z, float vx, float vy, float vz);
    void (*Close)();
};
