// The sound channels loading their files, and the game heard through OpenAL Soft's loopback
// device: loudness by distance, the player's pitch, and the title tune.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "shell/shell.h"
#include "sound/fake/fake_audio.h"
#include "sound/openal/openal_audio.h"
#include "sound/sound.h"
#include "support/wav_builder.h"
#include "support/workdir.h"

class Sound : public WorkDirTest {
protected:
    void TearDown() override
    {
        MUS_StopAll();
        SND_Shutdown();
        SND_SetBackend(nullptr);
        WorkDirTest::TearDown();
    }
    // The next stretch of sound from the loopback device, left and right interleaved.
    static std::vector<int16_t> Hear(double seconds)
    {
        std::vector<int16_t> frames((size_t)(seconds * OPENAL_RENDER_RATE) * 2);
        OpenAL_Render(frames.data(), (int)frames.size() / 2);
        return frames;
    }
    static double Rms(const std::vector<int16_t> &samples)
    {
        double sum = 0;
        for (int16_t s : samples)
            sum += (double)s * s;
        return std::sqrt(sum / samples.size());
    }
    // The pitch of a steady tone, from the left channel's upward zero crossings.
    static double Pitch(const std::vector<int16_t> &samples)
    {
        int crossings = 0;
        for (size_t i = 2; i < samples.size(); i += 2)
            crossings += samples[i - 2] < 0 && samples[i] >= 0;
        return crossings / ((double)samples.size() / 2 / OPENAL_RENDER_RATE);
    }
};

TEST_F(Sound, EffectsLoadWholeOrLeaveTheirChannelSilent)
{
    const std::string samples = "abcdefgh";
    WriteFile("good.wav", Riff(Chunk("fmt ", Format(1, 1)) + Chunk("data", samples)));
    WriteFile("float.wav", Riff(Chunk("fmt ", Format(3, 1) + U16(0)) + Chunk("data", samples)));
    WriteFile("nodata.wav", Riff(Chunk("fmt ", Format(1, 1))));
    WriteFile("lying.wav", Riff(Chunk("fmt ", Format(1, 1)) + Sized("data", 0xFFFFFFF0u, samples)));
    FakeAudioOptions options;
    options.failLoad = {3};
    SND_SetBackend(FakeAudio_Backend(options));
    SND_Init();     // an empty folder: every channel stays silent

    EXPECT_EQ(SND_LoadEffect(0, "good.wav", 1), 0);
    EXPECT_EQ(std::string(FakeAudio_Channel(0).samples.begin(), FakeAudio_Channel(0).samples.end()),
              samples);
    EXPECT_TRUE(FakeAudio_Channel(0).looping);
    EXPECT_EQ(SND_LoadEffect(1, "missing.wav", 1), 1);
    EXPECT_EQ(SND_LoadEffect(2, "float.wav", 0), 4);
    EXPECT_NE(SND_LoadEffect(2, "nodata.wav", 0), 0);
    EXPECT_EQ(SND_LoadEffect(3, "good.wav", 1), 5) << "no buffer could be made";
    EXPECT_EQ(SND_LoadEffect(4, "lying.wav", 1), 0);
    EXPECT_EQ(FakeAudio_Channel(4).samples.size(), samples.size()) << "what the file holds";

    FakeAudio_ClearCalls();
    for (int channel = 0; channel < 4; channel++)
        SND_Play(channel);
    EXPECT_EQ(FakeAudio_Calls(), std::vector<std::string>{"Play 0"});
}

TEST_F(Sound, ChannelsAreHeardByDistanceAndTheEngineByItsRate)
{
    WriteFile("cyc4.wav", SineWav(441.0, 22050, 441));   // one second of 441 Hz
    // The same tone in the first channel of a stereo file, the second silent: mixed down to one
    // channel it is placed like the mono file, at half its loudness.
    WriteFile("stereo16.wav", SineWav(441.0, 22050, 441, 0.5, 2, 16));
    WriteFile("stereo8.wav", SineWav(441.0, 22050, 441, 0.5, 2, 8));
    SND_SetBackend(OpenAL_LoopbackBackend());
    SND_Init();
    ASSERT_TRUE(SND_HasDevice());

    const float DISTANCES[] = {1.0f, 4.0f, 11.1f, 20.0f};
    auto loudnessByDistance = [&](const char *path) {
        SND_Stop(1);
        EXPECT_EQ(SND_LoadEffect(1, path, 1), 0) << path;
        SND_Play(1);
        std::vector<double> loudness;
        for (float distance : DISTANCES) {
            SND_SetPosition(1, 0.0f, 0.0f, -distance, 0.0f, 0.0f, 0.0f);
            Hear(0.05);     // let the change settle
            loudness.push_back(Rms(Hear(0.2)));
        }
        return loudness;
    };
    const std::vector<double> mono = loudnessByDistance("cyc4.wav");
    const double near = mono[0], middle = mono[1], edge = mono[2], beyond = mono[3];
    EXPECT_GT(near, 1000.0);
    EXPECT_LT(middle, near * 0.5);
    EXPECT_LT(edge, middle);
    EXPECT_NEAR(beyond, edge, edge * 0.05) << "no quieter beyond 11.1 units";
    for (const char *path : {"stereo16.wav", "stereo8.wav"}) {
        const std::vector<double> stereo = loudnessByDistance(path);
        for (size_t i = 0; i < mono.size(); i++)
            EXPECT_NEAR(stereo[i], mono[i] * 0.5, mono[i] * 0.05)
                << path << " at " << DISTANCES[i] << " units";
    }
    SND_Stop(1);

    // The player's engine: 22050 - trunc((speed - 9) * -400) Hz for a file made at 22050 Hz.
    SND_SetPosition(0, 0, 0, 0, 0, 0, 0);
    SND_Play(0);
    for (float speed : {10.0f, 25.0f}) {
        SND_SetFrequency(0, (uint32_t)(22050 - (int)((speed - 9.0f) * -400.0f)));
        Hear(0.05);
        const double expected = 441.0 * (22050 + (speed - 9.0f) * 400.0f) / 22050;
        EXPECT_NEAR(Pitch(Hear(1.0)), expected, expected * 0.01) << speed;
    }
}

TEST_F(Sound, TheLoopbackDeviceStaysInMemoryWhateverIsAskedForLater)
{
    const AudioBackend *toMemory = OpenAL_LoopbackBackend();
    OpenAL_Backend();   // asking for the machine's device changes nothing in the other
    WriteFile("turn2.wav", SineWav(441.0, 22050, 441));
    SND_SetBackend(toMemory);
    SND_Init();
    ASSERT_TRUE(SND_HasDevice());
    SND_Play(SND_CH_TURN);
    EXPECT_GT(Rms(Hear(0.2)), 1000.0) << "the turn is heard in memory, not sent to a card";
}

TEST_F(Sound, TheTitleTunePlaysFromItsStartAndStopsAtOnce)
{
    WriteFile("zark.mid", ReadFile(std::string(ZARKRIDE_GAME_DIR) + "/zark.mid"));
    SND_SetBackend(OpenAL_LoopbackBackend());
    SND_Init();
    ASSERT_EQ(MUS_Play(), 1) << "the tune, the soundfont and the synthesiser are all there";
    EXPECT_GT(Rms(Hear(2.0)), 100.0) << "the tune is heard in its first seconds";
    MUS_StopAll();
    Hear(0.025);
    const std::vector<int16_t> after = Hear(0.025);
    EXPECT_LT(Rms(after), 2.0) << "silent, but for the device's dither, from the frame after";

    EXPECT_EQ(MUS_Open("missing.mid"), 0);
    SND_Shutdown();
    EXPECT_EQ(MUS_Play(), 0) << "no device: no music, and nothing said";
}
