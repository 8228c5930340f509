// wav.h -- reading RIFF WAVE sound files: the format description and the sample bytes, over a
// small buffered chunk reader of our own. Results are codes: 0 for success, the WAV_ERR_ values
// below, or the chunk reader's own failures.
#pragma once

#include <cstdint>
#include <cstdio>

enum {
    WAV_ERR_MEMORY = 0xE000,     // the format block could not be allocated
    WAV_ERR_OPEN = 0xE100,       // the file could not be opened
    WAV_ERR_NOT_WAVE = 0xE101,   // not RIFF/WAVE, a short "fmt ", or fewer extra bytes than said
    WAV_ERR_READ = 0xE102,       // the 16 format bytes or the extra count could not be read
    WAV_ERR_TRUNCATED = 0xE103,  // the sample data ended before the requested count
    // Failures of the chunk reader itself.
    WAV_ERR_CHUNK_NOT_FOUND = 0x0101,   // no such chunk before the end of its parent
    WAV_ERR_CANNOT_READ = 0x0102,       // a chunk header or the file itself could not be read
};

// The format description: the 16 bytes of a PCM format, then the count of extra format bytes,
// then those bytes (allocated as one block of 18 + extraSize bytes).
#pragma pack(push, 1)
struct WavFormat {
    uint16_t formatTag;          // 1: PCM
    uint16_t channels;
    uint32_t samplesPerSecond;
    uint32_t averageBytesPerSecond;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
};
#pragma pack(pop)
static_assert(sizeof(WavFormat) == 18, "the format block starts with 18 bytes");

// Where a chunk is: its identifier, the size of its data, a RIFF chunk's form type, and the file
// offset of its data.
struct WavChunk {
    uint32_t id;
    uint32_t size;
    uint32_t formType;
    uint32_t dataOffset;
};

// An open sound file, read through a buffer of its own.
struct WavFile;

// Makes a chunk identifier from its four characters.
constexpr uint32_t WavFourCC(const char id[5])
{
    return (uint32_t)(uint8_t)id[0] | (uint32_t)(uint8_t)id[1] << 8 |
           (uint32_t)(uint8_t)id[2] << 16 | (uint32_t)(uint8_t)id[3] << 24;
}

// Opens the file and reads its format; on success the file stands just after the "fmt " chunk.
// On failure nothing stays open or allocated and *file and *format are null.
int SND_WavOpen(const char *path, WavFile **file, WavFormat **format, WavChunk *riff);
// Puts the file at the start of the sample data, searching from the first chunk inside riff.
int SND_WavFindData(WavFile **file, WavChunk *data, const WavChunk *riff);
// Copies up to count sample bytes to destination (at most what is left of the data chunk, which
// counts down); *bytesRead is what was copied, or 0 on failure.
int SND_WavRead(WavFile *file, uint32_t count, uint8_t *destination, WavChunk *data,
                uint32_t *bytesRead);
// How many bytes the file holds from where it stands to its end: what a data chunk can really
// give, whatever size it claims.
uint32_t SND_WavBytesLeft(const WavFile *file);
// Frees the format, closes the file and nulls both. Returns 0.
int SND_WavClose(WavFile **file, WavFormat **format);
