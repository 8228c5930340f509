// channels.cpp -- the sound channels over whichever audio backend could be opened. Without one
// the game runs silent: every channel operation returns at once.
#include "sound/sound.h"

#include "platform/platform.h"
#include "sound/backend.h"

static const AudioBackend *chosenBackend = nullptr;
static const AudioBackend *g_audio = nullptr;     // the open device, or null
static int g_soundReady = 0;                      // 1 once a channel has loaded
static int channelLoaded[SND_CHANNELS];

struct ChannelFile { const char *path; int looping; };
static const ChannelFile CHANNEL_FILES[SND_CHANNELS] = {
    {"cyc4.wav", 1}, {"cyc4.wav", 1}, {"cyc4.wav", 1}, {"cyc4.wav", 1}, {"cyc4.wav", 1},
    {"boom.wav", 0}, {"turn2.wav", 0}, {"boom2.wav", 0},
};

void SND_SetBackend(const AudioBackend *backend)
{
    chosenBackend = backend;
}

void SND_Init()
{
    g_audio = nullptr;
    g_soundReady = 0;
    for (int &loaded : channelLoaded)
        loaded = 0;
    if (!chosenBackend || !chosenBackend->Open())
        return;
    g_audio = chosenBackend;
    for (int channel = 0; channel < SND_CHANNELS; channel++) {
        const ChannelFile &file = CHANNEL_FILES[channel];
        if (g_audio->LoadChannel(channel, file.path, file.looping) == 0) {
            channelLoaded[channel] = 1;
            g_soundReady = 1;
        }
    }
}

static int Usable(int channel)
{
    return g_audio && g_soundReady && channel >= 0 && channel < SND_CHANNELS &&
           channelLoaded[channel];
}

void SND_Play(int channel)
{
    if (Usable(channel) && !g_audio->Play(channel) && g_frontEnd)
        g_frontEnd->MessageBox(nullptr, "Could not play sound", "DirectSound Error");
}

void SND_Stop(int channel)
{
    if (Usable(channel))
        g_audio->Stop(channel);
}

void SND_SetVolume(int channel, int32_t volume)
{
    if (Usable(channel))
        g_audio->SetVolume(channel, volume);
}

void SND_SetFrequency(int channel, uint32_t hertz)
{
    if (Usable(channel))
        g_audio->SetFrequency(channel, hertz);
}

void SND_SetPosition(int channel, float x, float y, float z, float vx, float vy, float vz)
{
    if (Usable(channel))
        g_audio->SetPosition(channel, x, y, z, vx, vy, vz);
}

void SND_Shutdown()
{
    for (int channel = 0; channel < SND_CHANNELS; channel++)
        SND_Stop(channel);
    if (g_audio)
        g_audio->Close();
    g_audio = nullptr;
    g_soundReady = 0;
}
