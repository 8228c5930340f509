// The sound file reader: chunks skipped wherever they stand, formats with and without extra bytes,
// and broken or lying files refused with their code, nothing read out of bounds or left open.
#include "sound/wav.h"
#include "support/wav_builder.h"
#include "support/workdir.h"

#include <vector>

using WavReader = WorkDirTest;

static std::string Samples(size_t count)
{
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; i++)
        bytes[i] = char(i * 7 + i / 251);
    return bytes;
}

TEST_F(WavReader, ReadsFormatAndSamplesWhereverTheChunksStand)
{
    const std::string samples = Samples(11);   // odd: a pad byte follows
    const std::string data = Chunk("data", samples);
    struct {
        const char *what;
        std::string file;
        uint16_t tag;
        std::string extra;
    } cases[] = {
        {"plain PCM", Riff(Chunk("fmt ", Format(1)) + data), 1, ""},
        {"odd-sized chunks before and after fmt",
         Riff(Chunk("JUNK", "abc") + Chunk("fmt ", Format(1)) + Chunk("LIST", "hello") + data), 1, ""},
        {"data before fmt", Riff(data + Chunk("fact", "1234") + Chunk("fmt ", Format(1))), 1, ""},
        {"18-byte PCM fmt: its last two bytes are no count",
         Riff(Chunk("fmt ", Format(1) + U16(7)) + data), 1, ""},
        {"tag 2 with five extra bytes in an odd-sized fmt",
         Riff(Chunk("fmt ", Format(2) + U16(5) + "12345") + Chunk("JUNK", "x") + data), 2, "12345"},
        {"tag 2 whose fmt holds more than its extra bytes",
         Riff(Chunk("fmt ", Format(2) + U16(2) + "wxyz") + data), 2, "wx"},
    };
    for (const auto &c : cases) {
        WriteFile("t.wav", c.file);
        WavFile *file;
        WavFormat *format;
        WavChunk riff, chunk;
        ASSERT_EQ(SND_WavOpen("t.wav", &file, &format, &riff), 0) << c.what;
        EXPECT_EQ(format->formatTag, c.tag) << c.what;
        EXPECT_EQ(format->channels, 2) << c.what;
        EXPECT_EQ(format->samplesPerSecond, 22050u) << c.what;
        EXPECT_EQ(format->bitsPerSample, 16) << c.what;
        EXPECT_EQ(std::string((const char *)(format + 1), format->extraSize), c.extra) << c.what;
        ASSERT_EQ(SND_WavFindData(&file, &chunk, &riff), 0) << c.what;
        ASSERT_EQ(chunk.size, samples.size()) << c.what;
        // Asked for more than the chunk holds: only the chunk's bytes come, the rest is untouched.
        std::string out(samples.size() + 5, '#');
        uint32_t bytesRead = 99;
        EXPECT_EQ(SND_WavRead(file, uint32_t(out.size()), (uint8_t *)&out[0], &chunk, &bytesRead), 0);
        EXPECT_EQ(bytesRead, samples.size()) << c.what;
        EXPECT_EQ(chunk.size, 0u) << c.what;
        EXPECT_EQ(out, samples + "#####") << c.what;
        EXPECT_EQ(SND_WavClose(&file, &format), 0);
        EXPECT_EQ(file, nullptr);
        EXPECT_EQ(format, nullptr);
    }
}

TEST_F(WavReader, BrokenFilesAreRefusedWithNothingLeftOpen)
{
    const std::string fmt = Chunk("fmt ", Format(1));
    const std::string data = Chunk("data", Samples(8));
    const std::string junk = Chunk("JUNK", "ab");
    struct {
        const char *what;
        std::string file;   // empty: no file at all
        int code;
    } cases[] = {
        {"missing file", "", WAV_ERR_OPEN},
        {"not RIFF", "plain text, not a sound", WAV_ERR_NOT_WAVE},
        {"shorter than a chunk header", "RIFF", WAV_ERR_CANNOT_READ},
        {"another form type", Riff(fmt + data, "AVI "), WAV_ERR_NOT_WAVE},
        {"fmt of 14 bytes", Riff(Chunk("fmt ", Format(1).substr(0, 14)) + data), WAV_ERR_NOT_WAVE},
        {"tag 2 in a 16-byte fmt: no room for the count", Riff(Chunk("fmt ", Format(2)) + data),
         WAV_ERR_NOT_WAVE},
        {"six extra bytes announced, four held",
         Riff(Chunk("fmt ", Format(2) + U16(6) + "abcd") + data), WAV_ERR_NOT_WAVE},
        {"extra count 65535 in a 20-byte fmt",
         Riff(Chunk("fmt ", Format(2) + U16(65535) + "ab") + data), WAV_ERR_NOT_WAVE},
        {"file ends inside the 16 format bytes", Riff(Sized("fmt ", 16, Format(1).substr(0, 10))),
         WAV_ERR_READ},
        {"file ends inside the extra bytes", Riff(Sized("fmt ", 24, Format(2) + U16(6) + "ab")),
         WAV_ERR_NOT_WAVE},
        {"no fmt chunk", Riff(junk + data), WAV_ERR_CHUNK_NOT_FOUND},
        {"a chunk of 0xFFFFFFF0 bytes before fmt", Riff(Sized("JUNK", 0xFFFFFFF0, "abcd") + fmt),
         WAV_ERR_CHUNK_NOT_FOUND},
        {"outer chunk of 0xFFFFFFF0 bytes without fmt", Sized("RIFF", 0xFFFFFFF0, "WAVE" + junk),
         WAV_ERR_CHUNK_NOT_FOUND},
        {"outer chunk ends before fmt",
         Sized("RIFF", uint32_t(4 + junk.size()), "WAVE" + junk + fmt + data),
         WAV_ERR_CHUNK_NOT_FOUND},
        {"file ends inside a chunk header", Sized("RIFF", 0xFFFFFFF0, "WAVE" + junk + "fmt"),
         WAV_ERR_CANNOT_READ},
    };
    for (const auto &c : cases) {
        remove("t.wav");
        if (!c.file.empty())
            WriteFile("t.wav", c.file);
        int stale;
        WavFile *file = (WavFile *)&stale;
        WavFormat *format = (WavFormat *)&stale;
        WavChunk riff;
        EXPECT_EQ(SND_WavOpen("t.wav", &file, &format, &riff), c.code) << c.what;
        EXPECT_EQ(file, nullptr) << c.what;
        EXPECT_EQ(format, nullptr) << c.what;
    }
}

TEST_F(WavReader, MissingOrShortSampleDataFails)
{
    const std::string fmt = Chunk("fmt ", Format(1));
    const std::string samples = Samples(40);
    struct {
        const char *what;
        std::string file;
        int findCode;
    } cases[] = {
        {"no data chunk", Riff(fmt + Chunk("LIST", "abc")), WAV_ERR_CHUNK_NOT_FOUND},
        {"a chunk of 0xFFFFFFF0 bytes before data",
         Riff(fmt + Sized("JUNK", 0xFFFFFFF0, "ab") + Chunk("data", samples)),
         WAV_ERR_CHUNK_NOT_FOUND},
        {"data says 100 bytes, holds 40", Riff(fmt + Sized("data", 100, samples)), 0},
        {"data says 0xFFFFFFF0 bytes, holds 40", Riff(fmt + Sized("data", 0xFFFFFFF0, samples)), 0},
    };
    for (const auto &c : cases) {
        WriteFile("t.wav", c.file);
        WavFile *file;
        WavFormat *format;
        WavChunk riff, data;
        ASSERT_EQ(SND_WavOpen("t.wav", &file, &format, &riff), 0) << c.what;
        EXPECT_EQ(SND_WavFindData(&file, &data, &riff), c.findCode) << c.what;
        if (c.findCode == 0) {
            // The whole chunk is asked for, as the channels do; the file's 40 bytes fit here.
            std::vector<uint8_t> out(64);
            uint32_t bytesRead = 99;
            EXPECT_EQ(SND_WavRead(file, data.size, out.data(), &data, &bytesRead),
                      WAV_ERR_TRUNCATED) << c.what;
            EXPECT_EQ(bytesRead, 0u) << c.what;
        }
        SND_WavClose(&file, &format);
    }
}

TEST_F(WavReader, ReadsLargerThanItsBufferComeBackByteForByte)
{
    const std::string samples = Samples(100000);
    WriteFile("t.wav", Riff(Chunk("fmt ", Format(1)) + Chunk("data", samples)));
    WavFile *file;
    WavFormat *format;
    WavChunk riff, data;
    ASSERT_EQ(SND_WavOpen("t.wav", &file, &format, &riff), 0);
    ASSERT_EQ(SND_WavFindData(&file, &data, &riff), 0);
    std::string out(samples.size(), '\0');
    uint32_t first = 0, second = 0;
    EXPECT_EQ(SND_WavRead(file, 30001, (uint8_t *)&out[0], &data, &first), 0);
    EXPECT_EQ(data.size, 69999u);
    EXPECT_EQ(SND_WavRead(file, 100000, (uint8_t *)&out[first], &data, &second), 0);
    EXPECT_EQ(first + second, samples.size());
    EXPECT_TRUE(out == samples) << "the samples differ";
    SND_WavClose(&file, &format);
}
