// Where the game looks for its data, the player's set-up and the place for its log, under
// different homes and XDG settings.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "shell/places.h"

namespace {

class Places : public testing::Test {
protected:
    std::string root, home;

    void SetUp() override
    {
        home = getenv("HOME") ? getenv("HOME") : "";
        char pattern[] = "/tmp/places-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        for (const char *name : {"ZARKRIDE_DATA", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
            unsetenv(name);
        setenv("HOME", (root + "/home").c_str(), 1);
        for (const char *dir : {"/home", "/build", "/installed", "/elsewhere"})
            mkdir((root + dir).c_str(), 0755);
        Touch("/installed/zark2.wrl");
    }
    void TearDown() override
    {
        system(("rm -rf '" + root + "'").c_str());
        unsetenv("ZARKRIDE_DATA");
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_STATE_HOME");
        setenv("HOME", home.c_str(), 1);
    }
    void Touch(const std::string &path) { std::ofstream(root + path) << "x"; }
    bool IsFolder(const std::string &path)
    {
        struct stat s;
        return stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
    }
};

}  // namespace

TEST_F(Places, DataComesFromTheVariableThenBesideTheGameThenTheInstalledFolder)
{
    const std::string exe = root + "/build/zarkride", installed = root + "/installed";
    EXPECT_EQ(Places_DataFolder(exe, installed), installed) << "nothing beside the game";
    Touch("/build/zark2.wrl");
    EXPECT_EQ(Places_DataFolder(exe, installed), root + "/build");
    setenv("ZARKRIDE_DATA", (root + "/elsewhere").c_str(), 1);
    EXPECT_EQ(Places_DataFolder(exe, installed), root + "/elsewhere") << "taken as given";
    unsetenv("ZARKRIDE_DATA");
    EXPECT_EQ(Places_DataFolder(root + "/elsewhere/zarkride", root + "/none"), "");
    // An installed tree moved elsewhere finds its data from its program's folder.
    EXPECT_EQ(Places_InstalledFolder(root + "/build/zarkride", "../installed", "/configured"),
              root + "/build/../installed");
    EXPECT_EQ(Places_InstalledFolder(root + "/build/zarkride", "../none", "/configured"),
              "/configured");
}

TEST_F(Places, ThePlayersSetupIsReadOnlyWhenItExists)
{
    EXPECT_EQ(Places_PlayerSetup(), "");
    mkdir((root + "/home/.config").c_str(), 0755);
    mkdir((root + "/home/.config/zarkride").c_str(), 0755);
    Touch("/home/.config/zarkride/setup.txt");
    EXPECT_EQ(Places_PlayerSetup(), root + "/home/.config/zarkride/setup.txt");
    setenv("XDG_CONFIG_HOME", (root + "/elsewhere").c_str(), 1);
    EXPECT_EQ(Places_PlayerSetup(), "") << "XDG_CONFIG_HOME has no set-up";
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(Places_PlayerSetup(), root + "/home/.config/zarkride/setup.txt")
        << "a relative XDG_CONFIG_HOME is ignored";
}

TEST_F(Places, TheLogNeverGoesIntoTheInstalledFolder)
{
    const std::string installed = root + "/installed";
    EXPECT_EQ(Places_LogFolder(root + "/build", installed), root + "/build");
    // The installed folder, even reached by another name, sends the log to the state folder,
    // made as needed.
    EXPECT_EQ(Places_LogFolder(root + "/installed/.", installed),
              root + "/home/.local/state/zarkride");
    EXPECT_TRUE(IsFolder(root + "/home/.local/state/zarkride"));
    setenv("XDG_STATE_HOME", (root + "/elsewhere/state").c_str(), 1);
    EXPECT_EQ(Places_LogFolder(installed, installed), root + "/elsewhere/state/zarkride");
    EXPECT_TRUE(IsFolder(root + "/elsewhere/state/zarkride"));
    unsetenv("XDG_STATE_HOME");
    unsetenv("HOME");
    EXPECT_EQ(Places_LogFolder(installed, installed), "") << "no home: nowhere to write";
}

// Every game leaves a recording named after the second it started; the folder keeps the last 50
// of them, by time and by number within a second, and nothing else in it is touched.
TEST_F(Places, TheLastFiftyRecordingsAreKeptAndNothingElse)
{
    const char *tz = getenv("TZ");
    const std::string oldTz = tz ? tz : "";
    setenv("TZ", "UTC", 1);
    tzset();
    setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
    const std::string folder = root + "/state/zarkride/replays";
    EXPECT_EQ(Places_ReplayFolder(), folder);
    EXPECT_EQ(Places_LatestReplay(), "") << "no folder yet";

    struct tm start = {};
    start.tm_year = 2026 - 1900, start.tm_mon = 11, start.tm_mday = 9;
    start.tm_hour = 18, start.tm_min = 30, start.tm_sec = 5;
    const time_t first = timegm(&start);
    auto New = [](time_t when) {
        std::string path;
        int fd = Places_NewReplay(when, 50, &path);
        EXPECT_GE(fd, 0) << path;
        close(fd);
        return path;
    };
    EXPECT_EQ(New(first), folder + "/2026-12-09_18-30-05.zrec");
    const char *others[] = {"/notes.txt", "/2026-12-09.zrec", "/2026-12-09_18-30-05-1.zrec",
                            "/2026-12-09_18-30-05.zrec.bak", "/2026-12-09_18-30-0x.zrec"};
    for (const char *other : others)
        std::ofstream(folder + other) << "not ours";
    for (int game = 1; game < 45; game++)
        New(first + game);
    // Twelve games in one second: numbered, and the tenth comes after the ninth.
    std::string last;
    for (int game = 0; game < 12; game++)
        last = New(first + 45);
    EXPECT_EQ(last, folder + "/2026-12-09_18-30-50-12.zrec");
    EXPECT_EQ(Places_LatestReplay(), last);

    std::vector<std::string> kept = Places_Replays(folder);
    ASSERT_EQ(kept.size(), 50u);
    EXPECT_EQ(kept.front(), folder + "/2026-12-09_18-30-12.zrec") << "the 7 oldest went";
    EXPECT_EQ(kept[37], folder + "/2026-12-09_18-30-49.zrec");
    EXPECT_EQ(kept[38], folder + "/2026-12-09_18-30-50.zrec");
    EXPECT_EQ(kept[39], folder + "/2026-12-09_18-30-50-2.zrec");
    EXPECT_EQ(kept[48], folder + "/2026-12-09_18-30-50-11.zrec");
    for (const char *other : others)
        EXPECT_TRUE(std::ifstream(folder + other).good()) << other << " was deleted";

    // A folder that cannot be made: no file, and the reason.
    unsetenv("XDG_STATE_HOME");
    setenv("HOME", (root + "/notes").c_str(), 1);
    Touch("/notes");
    std::string path;
    EXPECT_EQ(Places_NewReplay(first, 50, &path), -1);
    EXPECT_EQ(errno, ENOTDIR);
    if (oldTz.empty())
        unsetenv("TZ");
    else
        setenv("TZ", oldTz.c_str(), 1);
    tzset();
}
