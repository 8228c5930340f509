// sim.h -- zarksim's workings: options, the key script, running the game headless, and the
// fingerprint of the game state that tells two runs apart.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "graphics/gfx.h"
#include "platform/headless/headless.h"
#include "shell/record.h"

struct SimOptions {
    std::string dataDir;        // empty: the current directory
    uint32_t seed = 1;          // the clock value the game seeds its generator with
    long frames = 0;
    bool demo = false;
    std::string keysFile;
    bool state = false;
    bool help = false;
    bool gl = false;            // draw with the hardware device (needs a display)
    int width = SCREEN_WIDTH, height = SCREEN_HEIGHT;   // the hardware device's drawable
    long title = 1;             // frames on the title screen before the key that leaves it
    std::string audioFile;      // where to write what a player would hear; empty: no sound
    bool progress = false;      // say how far the run has got, and its peak memory, as it goes
    std::string replayFile;     // a recorded game to play again (its own clock, keys and frames)
    // The recording being played, read from replayFile: its clock readings, set-up and commands
    // (or keys, which come with the one that left the title) and its frames.
    const Recording *replay = nullptr;
    // Called after each frame of play with its number from 1, for tests that follow the game.
    std::function<void(long frame)> afterFrame;
    struct Screenshot {
        long frame;             // 0 is the title screen
        std::string path;
    };
    std::vector<Screenshot> screenshots;
};

// Reads the command line; on a mistake returns 0 and says what in *error.
int Sim_ParseArgs(int argc, char **argv, SimOptions *options, std::string *error);
void Sim_PrintUsage(FILE *out);

// Reads "FRAME down|up CODE" lines (blank lines and # comments allowed) into events. On a
// mistake returns 0 and names the line in *error.
int Sim_ReadKeys(const char *path, std::vector<HeadlessEvent> *events, std::string *error);

// Plays a recording again (options.replay) and says on standard error how it went: whether it
// left the recorded game and where, and whether it ended in the recorded state. Returns 0 when
// it played as recorded, else 1 (or the game's own exit code).
int Sim_Replay(const SimOptions &options);

// Runs the game from start-up through `frames` frames and returns its exit code (1 also when a
// screenshot could not be saved, or the hardware device was asked for and could not be made). The title is
// left at the first idle pass (D for the demo, else F8), then the key script plays, then Escape.
int Sim_Run(const SimOptions &options, const std::vector<HeadlessEvent> &keys);

// The most memory the process has held so far, in KiB (0 where the system does not say).
long Sim_PeakMemoryKib();

// FNV-1a over every cycle, every trail node and every game-wide value, and the camera.
uint64_t Sim_StateHash();
// One line per cycle in play, then "state-hash HEX".
void Sim_PrintState(FILE *out);
