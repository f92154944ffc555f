// SPDX-License-Identifier: MIT
#include "app/console.h"

#include <cstdarg>
#include <cstdio>

#include "app/platform.h"

void say(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    printText(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

void sayError(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    printText(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
}

void waitForEnter() { (void)std::getchar(); }
