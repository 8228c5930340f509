// model_fuzz.cpp -- "zark2.wrl" as a player may have replaced it: loaded, brought to size, turned
// to the four headings and coloured exactly as at start-up, then every heading drawn on the
// software device, from afar and from so close that part of the model lies behind the eye.
//
// A model that the loader cannot hold (too many vertices or indices in a node, too many nodes or
// lists) ends the game with its message and exit code 1: that is the game working as intended,
// not a finding. The loader shows the message through the front end just before it ends the
// process, so the front end here turns that message into a way back to the fuzzer, and the file
// the loader had open is closed for it.
#include <cstdio>
#include <cstring>

#include "fuzz_support.h"
#include "game/game.h"
#include "model/model.h"
#include "platform/platform.h"
#include "scene/math3d.h"
#include "scene/scene.h"

namespace {

const char MODEL_FILE[] = "zark2.wrl";

struct ModelRefused {};

// The stream the loader opened on the model file, while it is open.
FILE *modelStream = nullptr;

void MessageBox(void *, const char *text, const char *)
{
    // Every message the loader ends the game after begins so.
    if (strncmp(text, "Error!", 6) == 0)
        throw ModelRefused();
}

void DebugOutput(const char *) {}

FrontEnd quietFrontEnd;

void LookFrom(float ex, float ey, float ez, float tx, float ty, float tz)
{
    const float eye[3] = {ex, ey, ez}, target[3] = {tx, ty, tz};
    Math_LookAt(eye, target);
}

void DrawEveryHeading()
{
    GFX_PreDraw_Step(0);    // the depth cleared; the colours left as they are
    LookFrom(0, 250, -3000, 0, 250, 0);
    for (int heading = 0; heading < 4; heading++)
        Scene_DrawCycleModel(-300.0f + 200.0f * heading, SPAWN_HEIGHT, 0.0f, heading, heading);
    // Close enough that the nose of the cycle heading -z (80 units long) reaches past the eye.
    LookFrom(0, 30, -60, 0, SPAWN_HEIGHT, 0);
    for (int heading = 0; heading < 4; heading++)
        Scene_DrawCycleModel(0.0f, SPAWN_HEIGHT, 0.0f, heading, MAX_CYCLES - 1);
    GFX_PostDraw_Step();
}

}  // namespace

// The link sends every fopen here (-Wl,--wrap=fopen), so that the stream the loader reads the
// model file through is known when the loader is left by its message.
extern "C" FILE *__real_fopen(const char *path, const char *mode);
extern "C" FILE *__wrap_fopen(const char *path, const char *mode)
{
    FILE *stream = __real_fopen(path, mode);
    if (path && strcmp(path, MODEL_FILE) == 0 && mode && mode[0] == 'r')
        modelStream = stream;
    return stream;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::MakePrivateFolder(argc, argv);
    fuzz::InPrivateFolder here;
    fuzz::StartSoftwareGraphics();
    quietFrontEnd.name = "fuzz";
    quietFrontEnd.MessageBox = MessageBox;
    quietFrontEnd.DebugOutput = DebugOutput;
    g_frontEnd = &quietFrontEnd;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::InPrivateFolder here;
    fuzz::WriteInput(MODEL_FILE, data, size);
    Game_InitState();
    Math_Init();
    // Colours as a set-up file can leave them: plain, bright, black, and out of range.
    const float colours[MAX_CYCLES][3] = {
        {1, 1, 1}, {1, 0, 0}, {0.5f, 0.5f, 0.5f}, {0, 0, 0}, {2.5f, -1, 0.25f},
    };
    for (int slot = 0; slot < MAX_CYCLES; slot++) {
        cycles[slot].red = colours[slot][0];
        cycles[slot].green = colours[slot][1];
        cycles[slot].blue = colours[slot][2];
    }
    int built = 0;
    try {
        built = Scene_BuildArena();
    } catch (const ModelRefused &) {
        if (modelStream)
            fclose(modelStream);
        modelStream = nullptr;
        return 0;
    }
    modelStream = nullptr;
    FUZZ_CHECK(built == 1);
    FUZZ_CHECK(g_modelNodes == nullptr);
    DrawEveryHeading();
    remove("error.txt");
    return 0;
}
