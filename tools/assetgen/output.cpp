// output.cpp -- writing a finished data file in one piece.
#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool WriteWholeFile(const std::string &path, const void *data, size_t size, std::string *error)
{
    std::string temporary = path + ".tmp";
    FILE *file = fopen(temporary.c_str(), "wb");
    if (!file) {
        *error = "cannot create " + temporary + ": " + strerror(errno);
        return false;
    }
    bool written = fwrite(data, 1, size, file) == size;
    int writeErrno = errno;
    if (fclose(file) != 0 && written) {
        written = false;
        writeErrno = errno;
    }
    if (!written) {
        *error = "cannot write " + temporary + ": " + strerror(writeErrno);
        remove(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        *error = "cannot rename " + temporary + " to " + path + ": " + strerror(errno);
        remove(temporary.c_str());
        return false;
    }
    return true;
}
