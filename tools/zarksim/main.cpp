// zarksim -- runs the real game headless for a number of frames, from a seed and a key script.
#include <cstdio>
#include <unistd.h>

#include "sim.h"

int main(int argc, char **argv)
{
    SimOptions options;
    std::string error;
    if (!Sim_ParseArgs(argc, argv, &options, &error)) {
        fprintf(stderr, "zarksim: %s\n", error.c_str());
        Sim_PrintUsage(stderr);
        return 2;
    }
    if (options.help) {
        Sim_PrintUsage(stdout);
        return 0;
    }
    std::vector<HeadlessEvent> keys;
    if (!options.keysFile.empty() && !Sim_ReadKeys(options.keysFile.c_str(), &keys, &error)) {
        fprintf(stderr, "zarksim: %s\n", error.c_str());
        return 2;
    }
    if (!options.dataDir.empty() && chdir(options.dataDir.c_str()) != 0) {
        perror(("zarksim: " + options.dataDir).c_str());
        return 2;
    }
    int exitCode = Sim_Run(options, keys);
    if (options.state)
        Sim_PrintState(stdout);
    return exitCode;
}
