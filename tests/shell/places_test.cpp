// Where the game looks for its data, the player's set-up and the place for its log, under
// different homes and XDG settings.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
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
