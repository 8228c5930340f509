// places.h -- where the game's files are on a Linux desktop: the data folder it runs in, the
// player's own set-up file, and where its error log can be written.
#pragma once

#include <string>

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
