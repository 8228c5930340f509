// setup.cpp -- the set-up file, "setup.txt": five cycle colours, the sizes of the two computer
// groups and the score flag. A missing file leaves four black cycles chasing the player.
#include "shell/shell.h"

#include <cstdio>
#include <string>

#include "game/game.h"
#include "graphics/gfx.h"
#include "platform/files.h"

enum { COLOUR_LINES = 5, SECOND_GROUP_MAX = 2, COMPUTER_MAX = MAX_CYCLES - 1 };

static const char SETUP_FILE[] = "setup.txt";
static const char LOG_FILE[] = "error.txt";

struct Colour { float red, green, blue; };

// One colour channel as a byte: the float times 255, truncated. Out-of-range values are held at
// 0 and 255 rather than wrapped into a different colour.
static uint32_t ChannelByte(float value)
{
    float scaled = value * 255.0f;
    if (!(scaled >= 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return (uint32_t)(int)scaled;
}

static int InRange(const Colour &c)
{
    return c.red >= 0.0f && c.red <= 1.0f && c.green >= 0.0f && c.green <= 1.0f &&
           c.blue >= 0.0f && c.blue <= 1.0f;
}

static void Paint(int slot, const Colour &c)
{
    Cycle &cycle = cycles[slot];
    cycle.red = c.red;
    cycle.green = c.green;
    cycle.blue = c.blue;
    cycle.color = ChannelByte(c.red) | ChannelByte(c.green) << 8 | ChannelByte(c.blue) << 16;
}

// Group sizes the rest of the game cannot cope with (no computer cycle, more than four, a second
// group beyond the two colours it has) are brought into range, one log line per correction.
// Afterwards 0 <= second <= 2 and 1 <= first + second <= 4.
static void ClampGroups(int *first, int *second)
{
    if (*second < 0 || *second > SECOND_GROUP_MAX) {
        int using_ = *second < 0 ? 0 : SECOND_GROUP_MAX;
        GFX_LogError(LOG_FILE, "App_ReadSetup : %s asks for %d cycles in the second group; using %d",
                     SETUP_FILE, *second, using_);
        *second = using_;
    }
    if (*first < 0) {
        GFX_LogError(LOG_FILE, "App_ReadSetup : %s asks for %d cycles in the first group; using 0",
                     SETUP_FILE, *first);
        *first = 0;
    }
    long total = (long)*first + *second;
    if (total < 1 || total > COMPUTER_MAX) {
        int using_ = total < 1 ? 1 : COMPUTER_MAX;
        GFX_LogError(LOG_FILE, "App_ReadSetup : %s asks for %ld computer cycles; using %d",
                     SETUP_FILE, total, using_);
        *first = using_ - *second;
    }
}

static std::string setupPath = SETUP_FILE;

void App_UseSetupFile(const char *path)
{
    setupPath = path ? path : SETUP_FILE;
}

void App_ReadSetup()
{
    FILE *file = Platform_OpenFile(setupPath.c_str(), "r");
    if (!file)
        return;

    // Values that do not read stay 0; once one fails, every later read fails at the same place.
    Colour colours[COLOUR_LINES] = {};
    for (Colour &c : colours)
        fscanf(file, "%f %f %f\n", &c.red, &c.green, &c.blue);
    int first = 0, second = 0, scores = 0;
    fscanf(file, "%d %d %d", &first, &second, &scores);
    fclose(file);

    for (int line = 0; line < COLOUR_LINES; line++)
        if (!InRange(colours[line]))
            GFX_LogError(LOG_FILE, "App_ReadSetup : %s colour line %d lies outside 0..1; its "
                         "channels are held at 0 and 255", SETUP_FILE, line + 1);
    ClampGroups(&first, &second);

    showScores = scores;
    cycleCount = first + second + 1;
    Paint(0, colours[0]);
    for (int slot = 1; slot <= first; slot++) {
        Paint(slot, colours[slot]);
        cycles[slot].target = 0;
    }
    // The second group always takes lines 4 and 5, and each of its cycles pairs off with the
    // first-group cycle in the same place: the two chase each other.
    // (With a lone first-group cycle, the second group's second cycle pairs with the first.)
    for (int place = 1; place <= second; place++) {
        int slot = first + place;
        Paint(slot, colours[place + 2]);
        cycles[place].target = (uint8_t)slot;
        cycles[slot].target = (uint8_t)place;
    }
}
