// workdir.h -- every data file of the game lives in the working directory, so each test that
// touches files runs in a fresh empty one, with the game state back at its start values.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "game/game.h"

class WorkDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zarktest-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        char *old = getcwd(nullptr, 0);
        oldDir_ = old;
        free(old);
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        Game_InitState();
    }

    void TearDown() override
    {
        Game_InitState();
        chdir(oldDir_.c_str());
        std::string command = "rm -rf '" + dir_ + "'";
        system(command.c_str());
    }

    static void WriteFile(const std::string &name, const std::string &text)
    {
        std::ofstream(name, std::ios::binary) << text;
    }

    static std::string ReadFile(const std::string &name)
    {
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Copies the game's data files, as the build made them, into the working directory.
    static void InstallGameData()
    {
        for (const char *name : {"Alpha.3df", "floor.3df", "kaboom.3df", "wall1.3df", "zark2.wrl",
                                 "cyc4.wav", "boom.wav", "turn2.wav", "boom2.wav"})
            WriteFile(name, ReadFile(std::string(ZARKRIDE_GAME_DIR) + "/" + name));
    }

    std::string dir_;
    std::string oldDir_;
};

// A working directory holding the game's data files: for tests that run the whole program.
class GameDirTest : public WorkDirTest {
protected:
    void SetUp() override
    {
        WorkDirTest::SetUp();
        InstallGameData();
    }
};
