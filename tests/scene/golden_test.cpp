// Golden frames: whole frames of seeded games on the software device, compared pixel for pixel
// with the pictures in tests/golden. The software device is deterministic, so any difference is
// a change in what the player sees. When a change is meant to alter the picture, make the
// references again with `make golden` and look at them before committing.
#include <cstdlib>
#include <sys/stat.h>

#include "sim.h"
#include "support/png_io.h"
#include "support/workdir.h"

namespace {

struct Shot {
    long frame;
    const char *name;
};

struct GoldenRun {
    const char *what;
    uint32_t seed;
    bool demo;
    std::vector<HeadlessEvent> keys;
    std::vector<Shot> shots;
};

// Names a run in the test's output by what it shows.
void PrintTo(const GoldenRun &run, std::ostream *out)
{
    *out << run.what;
}

std::vector<HeadlessEvent> PressV(int times)
{
    std::vector<HeadlessEvent> keys;
    for (int i = 0; i < times; i++) {
        keys.push_back({1, EV_KEY_DOWN, 'V'});
        keys.push_back({1, EV_KEY_UP, 'V'});
    }
    return keys;
}

// Marks every pixel that differs in red over a dimmed copy of the reference.
void WriteDiff(const std::string &path, const Picture &expected, const Picture &actual)
{
    Picture diff = expected;
    for (size_t i = 0; i + 2 < diff.rgb.size(); i += 3) {
        bool differs = i + 2 < actual.rgb.size() &&
                       (expected.rgb[i] != actual.rgb[i] || expected.rgb[i + 1] != actual.rgb[i + 1] ||
                        expected.rgb[i + 2] != actual.rgb[i + 2]);
        diff.rgb[i] = differs ? 255 : diff.rgb[i] / 4;
        diff.rgb[i + 1] = differs ? 0 : diff.rgb[i + 1] / 4;
        diff.rgb[i + 2] = differs ? 0 : diff.rgb[i + 2] / 4;
    }
    WritePng(path, diff);
}

}  // namespace

class Golden : public GameDirTest, public ::testing::WithParamInterface<GoldenRun> {};

TEST_P(Golden, FramesMatchTheirReferences)
{
    const GoldenRun &run = GetParam();
    WriteFile("setup.txt", ReadFile(std::string(ZARKRIDE_DATA_DIR) + "/setup.txt"));
    SimOptions options;
    options.seed = run.seed;
    options.demo = run.demo;
    for (const Shot &shot : run.shots) {
        options.frames = std::max(options.frames, shot.frame);
        options.screenshots.push_back({shot.frame, std::string(shot.name) + ".png"});
    }
    ASSERT_EQ(Sim_Run(options, run.keys), 0);

    const bool update = getenv("ZARKRIDE_UPDATE_GOLDEN") != nullptr;
    const std::string diffDir = std::string(ZARKRIDE_BINARY_DIR) + "/golden-diff";
    for (const Shot &shot : run.shots) {
        const std::string reference = std::string(ZARKRIDE_GOLDEN_DIR) + "/" + shot.name + ".png";
        Picture actual, expected;
        ASSERT_TRUE(ReadPng(std::string(shot.name) + ".png", &actual)) << shot.name;
        if (update) {
            ASSERT_TRUE(WritePng(reference, actual)) << reference;
            continue;
        }
        ASSERT_TRUE(ReadPng(reference, &expected)) << "no reference " << reference
                                                   << " (make it with `make golden`)";
        ASSERT_EQ(actual.width, expected.width);
        ASSERT_EQ(actual.height, expected.height);
        long differing = 0;
        for (size_t i = 0; i < actual.rgb.size(); i += 3)
            differing += actual.rgb[i] != expected.rgb[i] || actual.rgb[i + 1] != expected.rgb[i + 1] ||
                         actual.rgb[i + 2] != expected.rgb[i + 2];
        if (differing) {
            mkdir(diffDir.c_str(), 0755);
            WritePng(diffDir + "/" + shot.name + ".actual.png", actual);
            WriteDiff(diffDir + "/" + shot.name + ".diff.png", expected, actual);
        }
        EXPECT_EQ(differing, 0) << shot.name << ": " << differing << " pixels differ; see "
                                << diffDir << "/" << shot.name << ".diff.png";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, Golden,
    ::testing::Values(
        GoldenRun{"cockpit view", 7, false, PressV(0), {{1, "play_view0"}}},
        GoldenRun{"behind, high", 7, false, PressV(1), {{1, "play_view1"}}},
        GoldenRun{"behind, to the side", 7, false, PressV(2), {{1, "play_view2"}}},
        GoldenRun{"overhead", 7, false, PressV(3), {{1, "play_view3"}}},
        GoldenRun{"help lines while F1 is held", 7, false,
                  {{20, EV_KEY_DOWN, VK_F1}}, {{30, "play_help"}}},
        GoldenRun{"the player's explosion", 7, false, PressV(1), {{526, "play_explosion"}}},
        GoldenRun{"demo shots of kinds 5, 0, 3, 4 and 2", 7, true, {},
                  {{100, "demo_pan"}, {500, "demo_side"}, {700, "demo_close_in"},
                   {900, "demo_orbit"}, {1100, "demo_ahead_side"}}},
        GoldenRun{"a demo shot of kind 1", 8, true, {}, {{1700, "demo_ahead"}}}),
    [](const ::testing::TestParamInfo<GoldenRun> &info) {
        return std::string(info.param.shots[0].name);
    });
