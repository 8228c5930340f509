// The error log: one line per message, appended, and a failure to write changes nothing else.
#include <string>
#include <sys/stat.h>

#include "graphics/gfx.h"
#include "support/workdir.h"

using ErrorLog = WorkDirTest;

TEST_F(ErrorLog, AppendsOneLinePerMessageAfterWhatIsThere)
{
    WriteFile("error.txt", "an older run\n");
    GFX_LogError("error.txt", "GFX_BufferSwap : Flip went down!");
    GFX_LogError("error.txt", "GFX_LoadTexture : %s doesn't exist!", "floor.3df");
    EXPECT_EQ(ReadFile("error.txt"),
              "an older run\n"
              "GFX_BufferSwap : Flip went down!\n"
              "GFX_LoadTexture : floor.3df doesn't exist!\n");
}

TEST_F(ErrorLog, CutsLongMessagesAt4095Characters)
{
    std::string longName(5000, 'x');
    GFX_LogError("error.txt", "%s", longName.c_str());
    GFX_LogError("error.txt", "%s", std::string(4095, 'y').c_str());
    EXPECT_EQ(ReadFile("error.txt"),
              std::string(4095, 'x') + "\n" + std::string(4095, 'y') + "\n");
}

TEST_F(ErrorLog, UnwritableLogLosesTheLineQuietly)
{
    // A directory in the log's place cannot be opened for appending, even by root.
    ASSERT_EQ(mkdir("error.txt", 0755), 0);
    GFX_LogError("error.txt", "GFX_Init : CreateViewport!");
    struct stat info;
    ASSERT_EQ(stat("error.txt", &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    GFX_LogError("missing-folder/error.txt", "GFX_Init : CreateViewport!");
    EXPECT_NE(stat("missing-folder", &info), 0);
}
