// keys_fuzz.cpp -- a key script for zarksim as someone may have written it by hand, and a
// recording as someone may have sent it: each read in full or refused with the line named, and
// what is read is in frame order, within the bounds a game can have.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "shell/record.h"
#include "sim.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::MakePrivateFolder(argc, argv);
    return 0;
}

static void CheckRecording()
{
    Recording r;
    std::string error;
    if (!Recording_Read("keys.txt", &r, &error)) {
        FUZZ_CHECK(error.compare(0, 8, "keys.txt") == 0);
        return;
    }
    FUZZ_CHECK(r.version == 1 || r.version == 2);
    FUZZ_CHECK(!r.clockReadings.empty() && r.clockReadings.size() <= RECORDING_MAX_CLOCKS);
    FUZZ_CHECK(r.lastFrame >= 0 && r.lastFrame <= RECORDING_MAX_FRAME);
    long frame = 0, inFrame = 0;
    for (const GameCommand &c : r.commands) {
        FUZZ_CHECK(c.frame >= frame && c.slot < MAX_CYCLES && c.what < CMD_KINDS);
        inFrame = c.frame == frame ? inFrame + 1 : 1;
        FUZZ_CHECK(inFrame <= RECORDING_MAX_FRAME_COMMANDS);
        frame = c.frame;
    }
    if (r.version >= 2)
        FUZZ_CHECK(r.setup.first + r.setup.second >= 1 && r.setup.first + r.setup.second < MAX_CYCLES &&
                   r.setup.second <= 2);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::InPrivateFolder here;
    fuzz::WriteInput("keys.txt", data, size);
    std::vector<HeadlessEvent> events;
    std::string error;
    CheckRecording();
    if (!Sim_ReadKeys("keys.txt", &events, &error)) {
        FUZZ_CHECK(error.compare(0, 9, "keys.txt:") == 0);
        return 0;
    }
    for (size_t i = 0; i < events.size(); i++) {
        const HeadlessEvent &e = events[i];
        FUZZ_CHECK(e.frame >= 1 && e.frame <= 100000000L);
        FUZZ_CHECK(e.type == EV_KEY_DOWN || e.type == EV_KEY_UP);
        FUZZ_CHECK(e.key >= 0 && e.key <= 255);
        FUZZ_CHECK(i == 0 || events[i - 1].frame <= e.frame);
    }
    return 0;
}
