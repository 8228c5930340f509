// files.h -- what a desktop program owes the files it is given: standard streams that stay where
// text meant for them can go.
#pragma once

// Gives /dev/null to each of standard input, output and error that the program was started
// without (a launcher may close them). Otherwise the next file or connection opened takes the
// number, and what is written to standard error lands in a recording or the window system's
// connection. Called first thing in main.
void Platform_KeepStandardStreams();
