// music.cpp -- the title music, "zark.mid": started during start-up, stopped by the first key,
// played once. No MIDI player is built in yet, so the piece never opens and the game runs
// without music, as it does wherever no sequencer can be had.
#include "shell/shell.h"

int MUS_Open(const char *)
{
    return 0;
}

int MUS_Play()
{
    return MUS_Open("zark.mid");
}

int MUS_StopAll()
{
    return 1;   // nothing is open, so closing everything succeeds
}
