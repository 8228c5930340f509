// fake_audio.cpp -- the recording audio backend.
#include "sound/fake/fake_audio.h"

#include <algorithm>
#include <cstdio>

#include "sound/backend.h"
#include "sound/sound.h"

namespace {

FakeAudioOptions options;
FakeChannel channels[SND_CHANNELS];
std::vector<std::string> calls;

int Open()
{
    calls.push_back("Open");
    return options.failOpen ? 0 : 1;
}

int CreateBuffer(int channel, const WavFormat *format, uint32_t size, int looping)
{
    calls.push_back("CreateBuffer " + std::to_string(channel) + " " +
                    std::to_string(format->samplesPerSecond) + " " + std::to_string(size));
    bool fails = std::find(options.failLoad.begin(), options.failLoad.end(), channel) !=
                 options.failLoad.end();
    if (fails)
        return 0;
    channels[channel].looping = looping != 0;
    channels[channel].samples.assign(size, 0);
    return 1;
}

void *Lock(int channel)
{
    return channels[channel].samples.data();
}

void Unlock(int channel)
{
    channels[channel].loaded = true;
}

int Play(int channel)
{
    calls.push_back("Play " + std::to_string(channel));
    if (options.failPlay)
        return 0;
    channels[channel].playing = true;
    channels[channel].plays++;
    return 1;
}

void Stop(int channel)
{
    calls.push_back("Stop " + std::to_string(channel));
    channels[channel].playing = false;
}

void SetVolume(int channel, int32_t volume)
{
    calls.push_back("SetVolume " + std::to_string(channel) + " " + std::to_string(volume));
    channels[channel].volume = volume;
}

void SetFrequency(int channel, uint32_t hertz)
{
    calls.push_back("SetFrequency " + std::to_string(channel) + " " + std::to_string(hertz));
    channels[channel].frequency = hertz;
}

void SetPosition(int channel, float x, float y, float z, float vx, float vy, float vz)
{
    char text[160];
    snprintf(text, sizeof text, "SetPosition %d %g %g %g %g %g %g", channel, x, y, z, vx, vy, vz);
    calls.push_back(text);
    FakeChannel &c = channels[channel];
    c.position[0] = x, c.position[1] = y, c.position[2] = z;
    c.velocity[0] = vx, c.velocity[1] = vy, c.velocity[2] = vz;
}

int StartStream(int rate, SndStreamFill, void *)
{
    calls.push_back("StartStream " + std::to_string(rate));
    return 1;
}

void StopStream()
{
    calls.push_back("StopStream");
}

void Close()
{
    calls.push_back("Close");
}

const AudioBackend fakeBackend = {
    "fake", Open, CreateBuffer, Lock, Unlock, Play, Stop, SetVolume, SetFrequency, SetPosition,
    StartStream, StopStream, Close,
};

}  // namespace

const AudioBackend *FakeAudio_Backend(const FakeAudioOptions &chosen)
{
    options = chosen;
    for (FakeChannel &c : channels)
        c = FakeChannel();
    calls.clear();
    return &fakeBackend;
}

const FakeChannel &FakeAudio_Channel(int channel)
{
    return channels[channel];
}

const std::vector<std::string> &FakeAudio_Calls()
{
    return calls;
}

void FakeAudio_ClearCalls()
{
    calls.clear();
}
