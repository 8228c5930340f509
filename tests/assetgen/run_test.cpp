// The assetgen program as the build runs it: every file written, the same bytes every run on every
// machine, and a failing exit with a message when it cannot write.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

static std::string ReadFile(const std::string &path)
{
    std::stringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// Runs assetgen with `outDir`, after the shell words `env` if any; its messages go to `log`.
// Returns the exit code.
static int RunAssetgen(const std::string &outDir, const std::string &log, const char *env = "")
{
    std::string command =
        std::string(env) + " '" + ASSETGEN_PATH + "' '" + outDir + "' 2>'" + log + "'";
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(AssetgenRun, WritesEveryFileTheSameEachRunAndFailsLoudlyWhenItCannot)
{
    char pattern[] = "/tmp/assetgen-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string dir = pattern, log = dir + "/log";
    // Each run has to make its own folder. The second runs with another FreeType set-up, as
    // another machine may have: the font texture must not depend on it.
    ASSERT_EQ(RunAssetgen(dir + "/one", log), 0) << ReadFile(log);
    ASSERT_EQ(RunAssetgen(dir + "/two", log, "FREETYPE_PROPERTIES=truetype:interpreter-version=35"), 0)
        << ReadFile(log);
    for (const char *name : {"Alpha.3df", "floor.3df", "wall1.3df", "kaboom.3df", "zark2.wrl"}) {
        std::string bytes = ReadFile(dir + "/one/" + name);
        EXPECT_GT(bytes.size(), std::string(name) == "zark2.wrl" ? 10000u : 2u * 87381) << name;
        EXPECT_EQ(bytes, ReadFile(dir + "/two/" + name)) << name;
    }
    EXPECT_EQ(RunAssetgen("/dev/null/out", log), 1);
    EXPECT_NE(ReadFile(log).find("/dev/null/out"), std::string::npos) << ReadFile(log);
    // Asking for help, or mistyping an option, writes nothing anywhere.
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EXPECT_EQ(RunAssetgen("--help", log), 0);
    EXPECT_EQ(RunAssetgen("--out", log), 2);
    EXPECT_NE(ReadFile(log).find("usage: assetgen OUTDIR"), std::string::npos);
    EXPECT_NE(access("--help", F_OK), 0);
    EXPECT_NE(access("--out", F_OK), 0);
    ASSERT_EQ(chdir("/"), 0);
    system(("rm -rf '" + dir + "'").c_str());
}
