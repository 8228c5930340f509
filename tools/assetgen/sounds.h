// sounds.h -- the game's sound effects: the cycle engine, the two explosions and the turn blip.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Every effect is mono 16-bit PCM at this rate. The game re-pitches the engine by setting its
// playback rate, from 18450 Hz (a stopped cycle) to 28450 Hz (full speed).
enum { SFX_RATE = 22050 };

// The engine loop: 1.5 s that the game plays round and round. Every part of it repeats a whole
// number of times in the loop, so its last sample runs into its first without a click.
enum { SFX_ENGINE_SAMPLES = 33075 };

// The sounds themselves, made from code alone: the same samples on every run. None reaches full
// scale, and the one-shot sounds fade to silence before they end.

// A warm, slightly gritty electric hum on 96 Hz: a pulse whose width breathes, a second voice a
// little sharp of it that beats slowly against it, a faint whine and a rasp of noise on each
// cycle of the fundamental. Peak -6 dBFS, so that five cycles layered stay clean; the first
// sample is near zero, so that starting the engine at a respawn makes no click.
std::vector<int16_t> Sfx_Engine();
// The player's own cycle blowing up, close: a crack, a deep thump falling in pitch, a rumble that
// darkens as it dies away and crackling debris. 2.2 s, peak -1 dBFS.
std::vector<int16_t> Sfx_PlayerBoom();
// A computer cycle blowing up, further off: shorter and brighter than the player's, a metallic
// clang over a crunchy, coarse-grained burst. 1.3 s, peak -2 dBFS.
std::vector<int16_t> Sfx_CycleBoom();
// A cycle turning, and the warning that a crashed cycle is about to come back: a tick and a
// quick rising chirp. 90 ms, peak -4 dBFS.
std::vector<int16_t> Sfx_Turn();

// The samples as a RIFF WAVE file: a 16-byte PCM "fmt " chunk (mono, 16 bits, SFX_RATE) and
// the "data" chunk.
std::vector<uint8_t> Sfx_EncodeWav(const std::vector<int16_t> &samples);

// Each sound written as a WAVE file to `path` through a temporary file, so that a failed run
// leaves no half file. Returns false with `error` set when it cannot be written.
bool Sfx_WriteEngine(const std::string &path, std::string *error);
bool Sfx_WritePlayerBoom(const std::string &path, std::string *error);
bool Sfx_WriteCycleBoom(const std::string &path, std::string *error);
bool Sfx_WriteTurn(const std::string &path, std::string *error);
