// Opening the game's files: only regular ones, and a FIFO or a folder refused at once, without
// waiting on it or emptying anything.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "graphics/gfx.h"
#include "platform/files.h"
#include "support/workdir.h"

using Files = WorkDirTest;

TEST_F(Files, OnlyRegularFilesOpenAndNothingWaitsOnAFifo)
{
    // A regression to a blocking open ends the test program rather than hanging it.
    alarm(10);
    WriteFile("plain", "kept");
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    ASSERT_EQ(mkdir("folder", 0700), 0);

    struct Case {
        const char *what, *path, *mode;
        int opens, error;   // error: the errno of a refusal
    } cases[] = {
        {"a regular file, to read", "plain", "rb", 1, 0},
        {"a missing file", "missing", "r", 0, ENOENT},
        {"a FIFO no one writes to, to read", "fifo", "r", 0, ENXIO},
        {"a FIFO no one reads, to write", "fifo", "w", 0, ENXIO},
        {"a folder, to read", "folder", "r", 0, EISDIR},
        {"a device", "/dev/null", "r", 0, ENXIO},
    };
    for (const Case &c : cases) {
        errno = 0;
        FILE *file = Platform_OpenFile(c.path, c.mode);
        EXPECT_EQ(file != nullptr, c.opens == 1) << c.what;
        if (file)
            fclose(file);
        else
            EXPECT_EQ(errno, c.error) << c.what;
    }

    // With a reader on the FIFO a write could open, but is refused all the same: nothing is
    // written into a pipe the game takes for a file.
    int reader = open("fifo", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(Platform_OpenFile("fifo", "w"), nullptr);
    char got;
    EXPECT_EQ(read(reader, &got, 1), 0);
    close(reader);

    // The same through the log, the writer the game uses most: a FIFO error.txt is passed by.
    ASSERT_EQ(mkfifo("error.txt", 0600), 0);
    GFX_LogError("error.txt", "a line for no one");

    // Writing empties a regular file only once it is known to be one.
    FILE *written = Platform_OpenFile("plain", "w");
    ASSERT_NE(written, nullptr);
    fclose(written);
    EXPECT_EQ(ReadFile("plain"), "");
    alarm(0);
}
