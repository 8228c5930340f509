// music.h -- the title tune, composed note by note and written as a Standard MIDI File.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The tune: driving synthwave in A minor, 120 beats a minute, about 45 s. An intro that fades in,
// the hook, a soaring half-time bridge, the hook again and a last chord that slows and rings
// out, so it plays once over the title screen and stops cleanly.
//
// The file is format 1 with 480 ticks to the quarter note: a tempo track, then one track for
// each part, in General MIDI instruments: the lead (a saw lead doubled an octave down by a
// square lead), the arpeggio (electric piano), the pad (warm pad), the bass (synth bass doubled
// by a square lead) and the drums on channel 10. The same bytes on every run.
std::vector<uint8_t> Tune_Compose();

// Composes the tune and writes it to `path` through a temporary file, so that a failed run leaves
// no half file. Returns false with `error` set when it cannot be written.
bool Tune_WriteMidi(const std::string &path, std::string *error);

// Appends `value` (below 2^28) as a MIDI variable-length quantity: seven bits a byte, most
// significant first, the top bit set on every byte but the last.
void Midi_PutVarLen(std::vector<uint8_t> *out, uint32_t value);
