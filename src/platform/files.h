// files.h -- opening the files a player names or the data folder holds as a desktop program
// must: only regular files, and never by waiting on one; and standard streams that stay where
// text meant for them can go.
#pragma once

#include <cstdio>

// Gives /dev/null to each of standard input, output and error that the program was started
// without (a launcher may close them). Otherwise the next file or connection opened takes the
// number, and what is written to standard error lands in a recording or the window system's
// connection. Called first thing in main.
void Platform_KeepStandardStreams();

// 1 when path names a regular file (after symbolic links), else 0.
int Platform_IsFile(const char *path);

// fopen for the game's files: mode is fopen's ("r", "rb", "w", "wb", "a", ...). Only a regular
// file is opened, or for writing a new one; a FIFO, a directory or a device is refused at once
// (errno EISDIR for a directory, ENXIO for the rest) and nothing is truncated or written. Null,
// with errno set, when the file cannot be had.
FILE *Platform_OpenFile(const char *path, const char *mode);

// The same for reading, as a descriptor (close-on-exec); -1 with errno set on failure.
int Platform_OpenFileDescriptor(const char *path);
