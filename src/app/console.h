// SPDX-License-Identifier: MIT
// The console side of the run: messages, and the wait for Enter after an error.
#pragma once

// printf to standard output, flushed at once so progress shows as it happens.
void say(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The same on standard error.
void sayError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Reads one character from standard input and discards it.
void waitForEnter();
