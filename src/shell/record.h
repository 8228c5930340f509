// record.h -- a game written down as it is played, so that it can be played again exactly: the
// clock values that seeded it, every key with the frame it acted on, the frame it ended on and
// the fingerprint of its final state. zarksim --replay plays such a file.
//
// The file is text, one item a line:
//   zarkride-recording 1
//   clock SECONDS          each clock value the game read, in order
//   FRAME down|up CODE     a key (virtual-key code) that acted just before frame FRAME ran
//   end FRAME              the last frame run
//   state-hash HEX         the game state at the end
#pragma once

#include <cstdint>

// Starts writing the recording to path; 0 when it cannot be opened (errno says why).
int Record_Start(const char *path);
// What the game does, as it does it; nothing when no recording was started.
void Record_Clock(uint32_t seconds);
void Record_Key(int eventType, int key);
// The end of the game: its last frame and state, then the file is closed.
void Record_Finish();
