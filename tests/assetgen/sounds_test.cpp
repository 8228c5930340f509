// The sound effects and the title tune: files the game's readers accept, effects that never clip,
// an engine loop without a click and explosions that die away, and a tune of the right length
// that ends and has its drums.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "music.h"
#include "sounds.h"

static uint32_t Little(const std::vector<uint8_t> &b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; i--)
        v = v << 8 | b[at + i];
    return v;
}

static uint32_t Big(const std::vector<uint8_t> &b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; i++)
        v = v << 8 | b[at + i];
    return v;
}

static std::string Tag(const std::vector<uint8_t> &b, size_t at)
{
    return std::string(b.begin() + at, b.begin() + at + 4);
}

// Writes one asset through its writer into a fresh folder and reads the file back.
static std::vector<uint8_t> WriteAndRead(bool (*write)(const std::string &, std::string *),
                                         const char *name)
{
    char folder[] = "/tmp/sounds-test-XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    std::string path = std::string(folder) + "/" + name, error;
    EXPECT_TRUE(write(path, &error)) << error;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    remove(path.c_str());
    rmdir(folder);
    return bytes;
}

// The samples of a WAVE file, after checking every header field the game's reader and mixer use.
static std::vector<int16_t> ParseWav(const std::vector<uint8_t> &file, const char *name)
{
    std::vector<int16_t> samples;
    EXPECT_GE(file.size(), 44u) << name;
    if (file.size() < 44)
        return samples;
    EXPECT_EQ(Tag(file, 0), "RIFF") << name;
    EXPECT_EQ(Little(file, 4, 4), file.size() - 8) << name;
    EXPECT_EQ(Tag(file, 8), "WAVE") << name;
    EXPECT_EQ(Tag(file, 12), "fmt ") << name;
    EXPECT_EQ(Little(file, 16, 4), 16u) << name;
    EXPECT_EQ(Little(file, 20, 2), 1u) << name << ": PCM";
    EXPECT_EQ(Little(file, 22, 2), 1u) << name << ": mono";
    EXPECT_EQ(Little(file, 24, 4), 22050u) << name;
    EXPECT_EQ(Little(file, 28, 4), 44100u) << name << ": bytes a second";
    EXPECT_EQ(Little(file, 32, 2), 2u) << name << ": block alignment";
    EXPECT_EQ(Little(file, 34, 2), 16u) << name;
    EXPECT_EQ(Tag(file, 36), "data") << name;
    uint32_t size = Little(file, 40, 4);
    EXPECT_EQ(size, file.size() - 44) << name;
    for (size_t at = 44; at + 1 < file.size(); at += 2)
        samples.push_back(int16_t(Little(file, at, 2)));
    return samples;
}

static double Rms(const std::vector<int16_t> &s, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t i = from; i < to; i++)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from)) / 32768.0;
}

TEST(SoundEffects, ArePcmWavesTheGameReadsThatNeverClipAndEndAsTheyShould)
{
    struct {
        const char *file;
        bool (*write)(const std::string &, std::string *);
        double minSeconds, maxSeconds;
        bool loops;
    } cases[] = {
        {"cyc4.wav", Sfx_WriteEngine, 1.0, 2.0, true},
        {"boom.wav", Sfx_WritePlayerBoom, 1.5, 2.5, false},
        {"boom2.wav", Sfx_WriteCycleBoom, 0.8, 1.5, false},
        {"turn2.wav", Sfx_WriteTurn, 0.04, 0.12, false},
    };
    for (const auto &c : cases) {
        std::vector<int16_t> s = ParseWav(WriteAndRead(c.write, c.file), c.file);
        ASSERT_GT(s.size(), 100u) << c.file;
        double seconds = s.size() / 22050.0, mean = 0.0;
        EXPECT_GE(seconds, c.minSeconds) << c.file;
        EXPECT_LE(seconds, c.maxSeconds) << c.file;
        int peak = 0;
        for (int16_t v : s) {
            peak = std::max(peak, std::abs(int(v)));
            mean += v / 32768.0 / s.size();
        }
        // Loud enough to hear, never at full scale, and centred: an offset thumps when it starts.
        EXPECT_GT(peak, 32768 / 4) << c.file;
        EXPECT_LT(peak, 32767) << c.file;
        EXPECT_LT(std::fabs(mean), 0.005) << c.file;

        std::vector<int> steps;
        for (size_t i = 1; i < s.size(); i++)
            steps.push_back(std::abs(s[i] - s[i - 1]));
        std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
        int typicalStep = steps[steps.size() / 2];
        if (c.loops) {
            // The game plays the engine round and round and restarts it at every respawn: the
            // last sample must run into the first like any other step, and the first must be
            // near silence.
            int seam = std::abs(s.front() - s.back());
            EXPECT_LE(seam, 4 * typicalStep) << c.file << ": click at the loop's seam";
            EXPECT_LT(std::abs(int(s.front())), 32768 / 30) << c.file << ": click on starting";
        } else {
            // One-shot sounds must die away before they stop, or they end on a click: their
            // last 10 ms 40 dB below their peak, and the very end at silence.
            size_t tail = size_t(0.01 * 22050);
            EXPECT_LT(Rms(s, s.size() - tail, s.size()), 0.01 * peak / 32768.0) << c.file;
            EXPECT_LT(std::abs(int(s.back())), 16) << c.file;
        }
    }
}

TEST(SoundEffects, AreTheSameOnEveryRun)
{
    EXPECT_EQ(Sfx_Engine(), Sfx_Engine());
    EXPECT_EQ(Sfx_PlayerBoom(), Sfx_PlayerBoom());
}

// --- The tune -------------------------------------------------------------------------------

static uint32_t ReadVarLen(const std::vector<uint8_t> &b, size_t *at, size_t end, bool *ok)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) {
        if (*at >= end) {
            *ok = false;
            return 0;
        }
        uint8_t byte = b[(*at)++];
        v = v << 7 | (byte & 0x7F);
        if (!(byte & 0x80))
            return v;
    }
    *ok = false;
    return 0;
}

TEST(TitleTune, VariableLengthQuantitiesAtTheirBoundaries)
{
    struct {
        uint32_t value;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {0, {0x00}},
        {0x7F, {0x7F}},
        {0x80, {0x81, 0x00}},
        {0x3FFF, {0xFF, 0x7F}},
        {0x4000, {0x81, 0x80, 0x00}},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> out;
        Midi_PutVarLen(&out, c.value);
        EXPECT_EQ(out, c.bytes) << c.value;
    }
}

// Walks the whole file as a player would: every chunk's length must hold its events exactly, and
// every track must end with an end-of-track event.
TEST(TitleTune, IsAWholeMidiFileOfHalfAMinuteToAMinuteWithInstrumentsAndDrums)
{
    std::vector<uint8_t> file = WriteAndRead(Tune_WriteMidi, "zark.mid");
    EXPECT_EQ(file, Tune_Compose()) << "the same bytes every run";
    ASSERT_GE(file.size(), 14u);
    ASSERT_EQ(Tag(file, 0), "MThd");
    ASSERT_EQ(Big(file, 4, 4), 6u);
    uint32_t format = Big(file, 8, 2), tracks = Big(file, 10, 2), division = Big(file, 12, 2);
    EXPECT_LE(format, 1u);
    ASSERT_GE(tracks, 1u);
    ASSERT_GT(division, 0u);
    ASSERT_LT(division, 0x8000u) << "ticks per quarter note";

    std::vector<std::pair<uint32_t, uint32_t>> tempos; // tick, microseconds a quarter note
    uint32_t endTick = 0;
    bool programChange = false, drums = false;
    size_t at = 14;
    for (uint32_t t = 0; t < tracks; t++) {
        ASSERT_LE(at + 8, file.size()) << "track " << t;
        ASSERT_EQ(Tag(file, at), "MTrk") << "track " << t;
        size_t end = at + 8 + Big(file, at + 4, 4);
        ASSERT_LE(end, file.size()) << "track " << t;
        at += 8;
        uint32_t tick = 0;
        uint8_t status = 0;
        bool ok = true, ended = false;
        while (ok && at < end && !ended) {
            tick += ReadVarLen(file, &at, end, &ok);
            ASSERT_TRUE(ok && at < end) << "track " << t;
            if (file[at] == 0xFF) {
                ASSERT_LE(at + 2, end);
                uint8_t type = file[at + 1];
                at += 2;
                uint32_t length = ReadVarLen(file, &at, end, &ok);
                ASSERT_TRUE(ok && at + length <= end) << "track " << t;
                if (type == 0x51 && length == 3)
                    tempos.push_back({tick, Big(file, at, 3)});
                ended = type == 0x2F;
                at += length;
                continue;
            }
            ASSERT_NE(file[at], 0xF0) << "no system-exclusive messages";
            if (file[at] & 0x80)
                status = file[at++];
            ASSERT_NE(status, 0) << "running status before any status";
            int kind = status & 0xF0, channel = status & 0x0F;
            size_t dataBytes = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
            ASSERT_LE(at + dataBytes, end) << "track " << t;
            programChange |= kind == 0xC0 && channel != 9;
            drums |= kind == 0x90 && channel == 9 && file[at + 1] > 0;
            at += dataBytes;
        }
        EXPECT_TRUE(ended) << "track " << t << " has no end-of-track event";
        EXPECT_EQ(at, end) << "track " << t << ": events after its end, or a wrong length";
        endTick = std::max(endTick, tick);
        at = end;
    }
    EXPECT_EQ(at, file.size());
    EXPECT_TRUE(programChange) << "General MIDI instruments chosen";
    EXPECT_TRUE(drums) << "notes on channel 10";

    // Its length in seconds, through every change of tempo.
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    double seconds = 0.0, perTick = 500000.0 / division / 1e6;
    uint32_t last = 0;
    for (const auto &tempo : tempos) {
        if (tempo.first > endTick)
            break;
        seconds += (tempo.first - last) * perTick;
        last = tempo.first;
        perTick = tempo.second / double(division) / 1e6;
    }
    seconds += (endTick - last) * perTick;
    EXPECT_GE(seconds, 30.0);
    EXPECT_LE(seconds, 60.0);
}
