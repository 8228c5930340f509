// record.cpp -- writes the recording line by line, so a game that ends badly still leaves what
// led up to it.
#include "shell/record.h"

#include <cinttypes>
#include <cstdio>

#include "game/game.h"
#include "platform/files.h"
#include "shell/shell.h"

static FILE *recording = nullptr;

int Record_Start(const char *path)
{
    recording = Platform_OpenFile(path, "w");
    if (!recording)
        return 0;
    fprintf(recording, "zarkride-recording 1\n");
    fflush(recording);
    return 1;
}

void Record_Clock(uint32_t seconds)
{
    if (!recording)
        return;
    fprintf(recording, "clock %" PRIu32 "\n", seconds);
    fflush(recording);
}

void Record_Key(int eventType, int key)
{
    if (!recording)
        return;
    // Frames are numbered from 1; a key taken after frame n has run acts before frame n + 1.
    fprintf(recording, "%ld %s %d\n", g_frameCount + 1, eventType == EV_KEY_DOWN ? "down" : "up",
            key);
    fflush(recording);
}

void Record_Finish()
{
    if (!recording)
        return;
    fprintf(recording, "end %ld\nstate-hash %016" PRIx64 "\n", g_frameCount, Game_StateHash());
    fclose(recording);
    recording = nullptr;
}
