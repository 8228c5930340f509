// fake_audio.h -- an audio backend for tests: plays nothing, remembers what each channel was
// told, and logs every call in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AudioBackend;

struct FakeChannel {
    bool loaded = false;
    bool looping = false;
    bool playing = false;
    int plays = 0;            // times started
    int volume = 0;           // hundredths of a decibel
    unsigned frequency = 0;
    float position[3] = {};
    float velocity[3] = {};
    std::vector<uint8_t> samples;   // the sound loaded into it
};

struct FakeAudioOptions {
    bool failOpen = false;
    bool failPlay = false;
    std::vector<int> failLoad;   // channels whose file does not load
};

const AudioBackend *FakeAudio_Backend(const FakeAudioOptions &options = FakeAudioOptions());
const FakeChannel &FakeAudio_Channel(int channel);
// "CreateBuffer 0 22050 44100", "Play 6", "Stop 0", "SetVolume 1 -100", "SetFrequency 0 22450", "SetPosition 6 ...", "Close".
const std::vector<std::string> &FakeAudio_Calls();
void FakeAudio_ClearCalls();
