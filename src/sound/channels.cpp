// channels.cpp -- the sound channels over whichever audio backend could be opened. Without one
// the game runs silent: every channel operation returns at once.
#include "sound/sound.h"

#include <algorithm>

#include "platform/platform.h"
#include "sound/backend.h"
#include "sound/wav.h"

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
    for (int channel = 0; channel < SND_CHANNELS; channel++)
        SND_LoadEffect(channel, CHANNEL_FILES[channel].path, CHANNEL_FILES[channel].looping);
}

int SND_LoadEffect(int channel, const char *path, int looping)
{
    if (!g_audio || channel < 0 || channel >= SND_CHANNELS)
        return 1;
    WavFile *file = nullptr;
    WavFormat *format = nullptr;
    WavChunk riff = {}, data = {};
    if (SND_WavOpen(path, &file, &format, &riff) != 0)
        return 1;
    if (format->formatTag != 1) {
        SND_WavClose(&file, &format);
        return 4;
    }
    int code = SND_WavFindData(&file, &data, &riff);
    if (code != 0) {
        SND_WavClose(&file, &format);
        return code;
    }
    // A data chunk may claim more than the file holds; the buffer is made for what is there.
    const uint32_t dataSize = std::min(data.size, SND_WavBytesLeft(file));
    if (!g_audio->CreateBuffer(channel, format, dataSize, looping)) {
        SND_WavClose(&file, &format);
        return 5;
    }
    void *block = g_audio->Lock(channel);
    if (!block) {
        SND_WavClose(&file, &format);
        return 7;
    }
    // A short or failed read leaves the buffer with what was read.
    uint32_t read = 0;
    SND_WavRead(file, dataSize, static_cast<uint8_t *>(block), &data, &read);
    g_audio->Unlock(channel);
    SND_WavClose(&file, &format);
    channelLoaded[channel] = 1;
    g_audio->SetPosition(channel, 0, 0, 0, 0, 0, 0);
    g_soundReady = 1;
    return 0;
}

static int Usable(int channel)
{
    return g_audio && g_soundReady && channel >= 0 && channel < SND_CHANNELS &&
           channelLoaded[channel];
}

static int muted = 0;

void SND_SetMuted(int mute)
{
    muted = mute;
    if (muted)
        for (int channel = 0; channel < SND_CHANNELS; channel++)
            SND_Stop(channel);
}

void SND_Play(int channel)
{
    if (!muted && Usable(channel) && !g_audio->Play(channel) && g_frontEnd)
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

int SND_HasDevice()
{
    return g_audio != nullptr;
}

int SND_StartStream(SndStreamFill fill, void *context)
{
    return g_audio ? g_audio->StartStream(SND_STREAM_RATE, fill, context) : 0;
}

void SND_StopStream()
{
    if (g_audio)
        g_audio->StopStream();
}

void SND_Shutdown()
{
    for (int channel = 0; channel < SND_CHANNELS; channel++)
        SND_Stop(channel);
    if (g_audio) {
        g_audio->StopStream();
        g_audio->Close();
    }
    g_audio = nullptr;
    g_soundReady = 0;
}
