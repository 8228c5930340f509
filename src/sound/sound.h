// sound.h -- the eight sound channels: five engines, two explosions and the turn click. Callers
// address channels by number; with no sound device every operation does nothing.
#pragma once

#include <cstdint>

enum {
    SND_CHANNELS = 8,
    SND_CH_PLAYER_CRASH = 5,   // the player's explosion
    SND_CH_TURN = 6,           // a turn, and the warning before a respawn
    SND_CH_CRASH = 7,          // a computer cycle's explosion
};

// Start-up and shutdown.
void SND_Init();
void SND_Shutdown();

// Channel operations. Positions and velocities are relative to the hearer.
void SND_Play(int channel);       // from the start; a playing channel restarts
void SND_Stop(int channel);
void SND_SetVolume(int channel, int32_t hundredthsOfDecibel);  // 0 = full
void SND_SetFrequency(int channel, uint32_t hertz);
void SND_SetPosition(int channel, float x, float y, float z, float vx, float vy, float vz);
// Silences every channel and keeps them silent (nothing starts) until unmuted; the replay viewer
// mutes while it runs frames faster or slower than the game's own pace.
void SND_SetMuted(int muted);

// Loads one sound file into a channel at start-up: 0 when loaded; 1 the file cannot be read as
// a sound, 4 it is not plain PCM, 5 the channel's buffer cannot be made, 7 nor filled; other
// values are the file reader's.
int SND_LoadEffect(int channel, const char *path, int looping);

// The music's stream on the same device as the channels. fill writes up to frames 16-bit stereo
// frames and returns how many it wrote; 0 ends the stream. SND_StartStream gives 0 when there is
// no device to play on.
typedef int (*SndStreamFill)(int16_t *frames, int count, void *context);
enum { SND_STREAM_RATE = 44100 };
int SND_StartStream(SndStreamFill fill, void *context);
int SND_HasDevice();     // 1 while a sound device is open
void SND_StopStream();

// The audio backend SND_Init opens; null (the default) leaves the game silent.
struct AudioBackend;
void SND_SetBackend(const AudioBackend *backend);
