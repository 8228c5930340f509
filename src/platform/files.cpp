// files.cpp -- the standard streams kept, and regular files only, opened without blocking.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

void Platform_KeepStandardStreams()
{
    // open() takes the lowest free number, so going up from 0 fills exactly the closed ones.
    for (int fd = 0; fd <= 2; fd++)
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            int opened = open("/dev/null", O_RDWR);
            if (opened != fd && opened >= 0)
                close(opened);
        }
}

int Platform_IsFile(const char *path)
{
    struct stat s;
    return stat(path, &s) == 0 && S_ISREG(s.st_mode);
}

namespace {

// Opens with flags, without blocking: a FIFO opens at once for reading, and fails at once for
// writing when nothing reads it. Then anything but a regular file is let go of again. Checking
// the opened file, not the name, leaves no moment in which the name could change under it.
int OpenRegular(const char *path, int flags)
{
    int fd = open(path, flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        return -1;
    struct stat s = {};
    if (fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) {
        int why = S_ISDIR(s.st_mode) ? EISDIR : ENXIO;
        close(fd);
        errno = why;
        return -1;
    }
    // A regular file never blocks, whatever the flag says; clearing it keeps the descriptor
    // plain for the code that reads or writes it.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace

FILE *Platform_OpenFile(const char *path, const char *mode)
{
    const bool update = strchr(mode, '+') != nullptr;
    int flags;
    switch (mode[0]) {
    case 'r': flags = update ? O_RDWR : O_RDONLY; break;
    case 'w': flags = (update ? O_RDWR : O_WRONLY) | O_CREAT; break;
    case 'a': flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; break;
    default: errno = EINVAL; return nullptr;
    }
    int fd = OpenRegular(path, flags);
    if (fd < 0)
        return nullptr;
    // Emptied only now that it is known to be a regular file.
    if (mode[0] == 'w' && ftruncate(fd, 0) != 0) {
        int why = errno;
        close(fd);
        errno = why;
        return nullptr;
    }
    FILE *file = fdopen(fd, mode);
    if (!file) {
        int why = errno;
        close(fd);
        errno = why;
    }
    return file;
}

int Platform_OpenFileDescriptor(const char *path)
{
    return OpenRegular(path, O_RDONLY);
}
