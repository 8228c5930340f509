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

    std::string dir_;
    std::string oldDir_;
};
