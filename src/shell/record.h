// record.h -- a game written down as it is played, so that it can be played again exactly: what
// it depends on, the clock values that seeded it, every command with the frame it acted on,
// fingerprints of the shared game state along the way, the frame it ended on and its last state.
// The game records every game it plays; zarkride --replay and zarksim --replay play them.
//
// The file is text, one item a line, at most 256 characters; # starts a comment:
//   zarkride-recording 2
//   game VERSION           the game version that played it
//   data zark2.wrl HEX     FNV-1a of the cycle model it was played with
//   setup HEX              FNV-1a of the colour and groups lines below, as written
//   colour LINE R G B      the set-up in force, lines 1 to 5 (as read, not brought into range)
//   groups FIRST SECOND SCORES                          (brought into range)
//   clock SECONDS          each clock value the game read, in order
//   play game|demo         how the title was left
//   FRAME SLOT COMMAND     a command (left, right, accelerate, decelerate, release) for a cycle,
//                          acting at the start of frame FRAME
//   hash FRAME HEX         the shared game state after frame FRAME, every 40 frames
//   end FRAME              the last frame run: missing when the game ended badly
//   state-hash HEX         the shared game state at the end
//
// Version 1, written before commands existed, has the clock lines, "FRAME down|up CODE" keys
// (virtual-key codes acting just before frame FRAME), end and state-hash (of the whole state,
// the camera and view included). Both versions play.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/game.h"
#include "shell/shell.h"

// Bounds on what a recording may hold; a file beyond them is refused.
constexpr long RECORDING_MAX_FRAME = 100000000L;        // about 29 days of play
constexpr size_t RECORDING_MAX_COMMANDS = 4000000;      // commands, keys or hash lines
constexpr long RECORDING_MAX_FRAME_COMMANDS = 64;       // commands or keys in one frame
constexpr size_t RECORDING_MAX_CLOCKS = 16;
constexpr long RECORDING_HASH_EVERY = 40;               // frames between hash lines
constexpr char RECORDING_DATA_FILE[] = "zark2.wrl";
extern const char RECORDING_GAME_VERSION[];            // this game's version

// A version-1 key, as the keyboard gave it.
struct RecordedKey {
    long frame;
    bool down;
    int key;            // virtual-key code
};

struct Recording {
    int version = 0;
    std::string gameVersion;                 // version 2 on
    bool hasDataHash = false, hasSetupHash = false, hasGroups = false, hasStateHash = false;
    uint64_t dataHash = 0, setupHash = 0, stateHash = 0;
    int colourLines = 0;                     // bit n: colour line n + 1 was read
    SetupValues setup = {};
    std::vector<uint32_t> clockReadings;
    std::vector<GameCommand> commands;       // version 2, in frame order
    std::vector<RecordedKey> keys;           // version 1, in frame order
    struct FrameHash { long frame; uint64_t hash; };
    std::vector<FrameHash> hashes;           // version 2, in frame order
    int demo = 0;                            // the title was left for the demo
    long end = -1;                           // -1: the game ended badly, without its end line
    long lastFrame = 0;                      // end, or without it the last frame named
};

// Reads and checks a recording; on a mistake returns 0 and says what, with the line, in *error.
int Recording_Read(const char *path, Recording *recording, std::string *error);

// What keeps a recording from playing here as it was played: another cycle model, or set-up
// lines that do not match their fingerprint; "" when nothing does. Another game version plays,
// with *warning saying so.
std::string Recording_Mismatch(const Recording &recording, const char *file, std::string *warning);

// Starts writing the recording to the file the player named; 0, with the reason in *why, when it
// cannot be had: a symbolic link, a file that is not a recording, one another game is recording
// into, or one that cannot be opened.
int Record_Start(const char *path, std::string *why);
// Records the game to be played in the replay folder, in a new file named after the time it
// starts; the demo is not recorded. The oldest recordings there go, RECORDING_REPLAYS_KEPT stay.
constexpr int RECORDING_REPLAYS_KEPT = 50;
void Record_EveryGame();
// What the game does, as it does it; nothing when no recording was started. A write that fails
// is said on standard error and in the log, and the recording ends there.
void Record_Clock(uint32_t seconds);
void Record_Setup();                        // the data and set-up in force, once read
void Record_Play(int demo);                 // the title left for a game or the demo
void Record_Command(const GameCommand &command);
void Record_Frame(long frame);              // after each frame: every 40th, its shared state
// The end of the game: its last frame and state, then the file is closed.
void Record_Finish();

// The fingerprints a recording carries: FNV-1a, 64 bits, of the cycle model's bytes (in the
// working folder) and of the set-up's lines as written.
constexpr uint64_t RECORDING_FNV_START = 1469598103934665603ull;
uint64_t Record_Fnv(const void *data, size_t size, uint64_t hash = RECORDING_FNV_START);
uint64_t Record_DataHash();
std::string Record_SetupLines(const SetupValues &setup);
