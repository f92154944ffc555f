// SPDX-License-Identifier: MIT
#include "app/console.h"

#include <cstdarg>
#include <cstdio>

void say(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

void waitForEnter() { (void)std::getchar(); }
