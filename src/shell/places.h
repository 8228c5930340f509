// places.h -- where the game's files are on a Linux desktop: the data folder it runs in, the
// player's own set-up file, where its error log can be written, and where the recordings of its
// games are kept.
#pragma once

#include <ctime>
#include <string>
#include <vector>

// The folder the game's data files are in, by the first that holds them: $ZARKRIDE_DATA (taken
// as given), the folder of the executable `exe`, then `installedDir`. Returns "" when none does.
std::string Places_DataFolder(const std::string &exe, const std::string &installedDir);

// The installed data folder of a game whose executable is `exe`: `fromBin` taken from the
// executable's folder when the data files are there (an installed tree moved elsewhere), else
// `configured`, the folder the build was configured to install to.
std::string Places_InstalledFolder(const std::string &exe, const std::string &fromBin,
                                   const std::string &configured);

// The player's own "setup.txt" in $XDG_CONFIG_HOME/zarkride (~/.config/zarkride), or "" when
// there is none.
std::string Places_PlayerSetup();

// The folder "error.txt" goes to when the game runs in `dataDir`: that folder itself when it is
// writable and not the installed one, else $XDG_STATE_HOME/zarkride (~/.local/state/zarkride),
// made when missing. "" when neither can be had (the log is then not written).
std::string Places_LogFolder(const std::string &dataDir, const std::string &installedDir);

// Where the recording of every game goes: $XDG_STATE_HOME/zarkride/replays
// (~/.local/state/zarkride/replays), not made here. "" when there is no home.
std::string Places_ReplayFolder();

// The recordings the game named itself in `folder` (YYYY-MM-DD_HH-MM-SS.zrec, or with -N before
// the dot for the N-th game started in that second), oldest first; nothing else in it counts.
std::vector<std::string> Places_Replays(const std::string &folder);

// The newest of them in the replay folder, as a path; "" when there is none.
std::string Places_LatestReplay();

// Makes a new, empty recording file in the replay folder (made when missing), named after the
// local time `when`, never one that is there already; then deletes the oldest recordings the game
// named there until `keep` are left, the new one included. The open descriptor (close-on-exec),
// with its path in *path, or -1 with errno set when the folder or the file cannot be had.
int Places_NewReplay(time_t when, int keep, std::string *path);
