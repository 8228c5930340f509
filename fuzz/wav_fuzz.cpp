// wav_fuzz.cpp -- a sound file as a player may have replaced it, loaded into a channel the way
// the game loads its engine sound, over the recording audio backend, then played and stopped.
// A sound that loads holds no more than the file had to give.
#include <cstdio>

#include "fuzz_support.h"
#include "sound/fake/fake_audio.h"
#include "sound/sound.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::MakePrivateFolder(argc, argv);
    fuzz::InPrivateFolder here;
    // The device opens; the eight sound files are not there yet, so every channel stays empty.
    SND_SetBackend(FakeAudio_Backend());
    SND_Init();
    FUZZ_CHECK(SND_HasDevice());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::InPrivateFolder here;
    fuzz::WriteInput("cyc4.wav", data, size);
    const int result = SND_LoadEffect(0, "cyc4.wav", 1);
    if (result == 0) {
        FUZZ_CHECK(FakeAudio_Channel(0).loaded);
        FUZZ_CHECK(FakeAudio_Channel(0).samples.size() <= size);
        SND_SetFrequency(0, 22450);
        SND_Play(0);
        SND_Stop(0);
    }
    FakeAudio_ClearCalls();    // the backend logs every call; it would grow with every input
    return 0;
}
