// zarksim -- runs the real game headless for a number of frames, from a seed and a key script.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "platform/files.h"
#include "sim.h"

int main(int argc, char **argv)
{
    Platform_KeepStandardStreams();
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
    SimRecording recording;
    if (!options.replayFile.empty()) {
        if (!options.keysFile.empty() || options.demo || options.frames || options.seed != 1) {
            fprintf(stderr, "zarksim: --replay takes the seed, keys and frames from the "
                            "recording; leave out --seed, --keys, --frames and --demo\n");
            return 2;
        }
        if (!Sim_ReadRecording(options.replayFile.c_str(), &recording, &error)) {
            fprintf(stderr, "zarksim: %s\n", error.c_str());
            return 2;
        }
        options.replay = true;
        options.frames = recording.end;
        options.clockReadings = recording.clockReadings;
        keys = recording.keys;
    }
    // The files zarksim writes are named from the folder it was started in, not from --data.
    if (!options.dataDir.empty()) {
        char *here = getcwd(nullptr, 0);
        auto fromHere = [here](std::string *path) {
            if (here && !path->empty() && (*path)[0] != '/')
                *path = std::string(here) + "/" + *path;
        };
        for (SimOptions::Screenshot &shot : options.screenshots)
            fromHere(&shot.path);
        fromHere(&options.audioFile);
        free(here);
    }
    if (!options.dataDir.empty() && chdir(options.dataDir.c_str()) != 0) {
        perror(("zarksim: " + options.dataDir).c_str());
        return 2;
    }
    int exitCode = Sim_Run(options, keys);
    if (options.state)
        Sim_PrintState(stdout);
    if (options.replay && !recording.stateHash.empty()) {
        char replayed[17];
        snprintf(replayed, sizeof replayed, "%016llx", (unsigned long long)Sim_StateHash());
        if (recording.stateHash != replayed) {
            fprintf(stderr, "zarksim: the replay ended in state-hash %s, the recorded game in %s\n",
                    replayed, recording.stateHash.c_str());
            return exitCode ? exitCode : 1;
        }
        fprintf(stderr, "zarksim: the replay ended in the recorded state, state-hash %s\n",
                replayed);
    }
    return exitCode;
}
