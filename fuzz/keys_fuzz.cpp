// keys_fuzz.cpp -- a key script for zarksim as someone may have written it by hand: read in
// full or refused with the line named, and what is read is in frame order with codes a key can
// have.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "sim.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::MakePrivateFolder(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::InPrivateFolder here;
    fuzz::WriteInput("keys.txt", data, size);
    std::vector<HeadlessEvent> events;
    std::string error;
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
