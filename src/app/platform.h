// SPDX-License-Identifier: MIT
// What the programs' front end does differently on each platform, in one place: the start of
// the process, the console, the help option's forms, the longest file name, and the end of a
// run that a signal stopped. One implementation per platform (platform_posix.cpp,
// platform_win32.cpp), chosen by CMake.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// Standard input, output and error that were closed are opened on the null device, so that no
// file or port opened later takes their number and gets the dots, messages or report written
// into it; a closed pipe makes a print fail instead of ending the process. False when that
// could not be done (the program then stops at once).
bool prepareProcess();

// printf for the run's messages, whose file names are UTF-8 text: a Windows console gets the
// characters themselves (its code page would garble any beyond ASCII); a pipe, a file and
// every stream on Linux get the bytes as they are.
void printText(std::FILE* stream, const char* format, std::va_list args);

// Whether the console was opened just for this process (the program was double-clicked, or
// a file was dropped on it): it closes with the process, so the outcome must wait for Enter.
bool consoleOpenedForThisProcess();

// Which first arguments ask for the usage: --help and -? everywhere, and /? on Windows,
// where it is the custom (on Linux /? is a path).
bool isHelpOption(const char* arg);

// Room for the longest configuration file name any platform takes, and its end: Windows names
// reach 32,767 UTF-16 units, each up to three bytes in UTF-8.
constexpr std::size_t kPathRoom = 3 * 32767 + 1;

// The longest name on this platform, in bytes; a longer one is reported as a file that cannot
// be opened: 255 bytes on Linux, as the tool has always taken; on Windows every name the
// system can open.
extern const std::size_t kLongestPath;

// The run was stopped by signal after it cleaned up: ends the process so that whoever started
// it sees that signal (a shell loop then stops too, as after any other program's Ctrl-C), where
// the platform has signals; returns the exit status to end with otherwise, 128 + signal.
int endBySignal(int signal);
