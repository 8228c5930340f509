// wav_builder.h -- sound files byte by byte, right or wrong on purpose, for the sound tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

inline std::string U16(uint16_t v) { return {char(v), char(v >> 8)}; }
inline std::string U32(uint32_t v) { return U16(uint16_t(v)) + U16(uint16_t(v >> 16)); }

// A chunk with the size given, true or not, and no pad byte.
inline std::string Sized(const char *id, uint32_t size, const std::string &body)
{
    return std::string(id, 4) + U32(size) + body;
}
// A well-formed chunk: its true size, and a pad byte after an odd body.
inline std::string Chunk(const char *id, const std::string &body)
{
    return Sized(id, uint32_t(body.size()), body) + std::string(body.size() & 1, '\0');
}
inline std::string Riff(const std::string &chunks, const char *form = "WAVE")
{
    return Sized("RIFF", uint32_t(chunks.size() + 4), form + chunks);
}
// The 16 format bytes of a format tag, channels, rate and bits per sample.
inline std::string Format(uint16_t tag, uint16_t channels = 2, uint32_t rate = 22050,
                          uint16_t bits = 16)
{
    const uint16_t block = uint16_t(channels * bits / 8);
    return U16(tag) + U16(channels) + U32(rate) + U32(rate * block) + U16(block) + U16(bits);
}
// A PCM file of a sine wave at hertz, a whole number of cycles long, in the first of its channels;
// any others are silent. 8-bit samples are unsigned around 128, 16-bit ones signed.
inline std::string SineWav(double hertz, int rate, int cycles, double amplitude = 0.5,
                           uint16_t channels = 1, uint16_t bits = 16)
{
    const int count = (int)std::lround(cycles * rate / hertz);
    std::string samples;
    for (int i = 0; i < count; i++) {
        const double wave = amplitude * std::sin(2 * 3.141592653589793 * hertz * i / rate);
        for (int channel = 0; channel < channels; channel++) {
            const double v = channel == 0 ? wave : 0.0;
            if (bits == 8)
                samples += char(uint8_t(128 + std::lround(v * 127)));
            else
                samples += U16(uint16_t(int16_t(std::lround(v * 32767))));
        }
    }
    return Riff(Chunk("fmt ", Format(1, channels, rate, bits)) + Chunk("data", samples));
}
