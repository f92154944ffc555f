// SPDX-License-Identifier: MIT
// printf for the run's messages, whose file names are UTF-8 text: a Windows console gets the
// characters themselves (its code page would garble any beyond ASCII); a pipe, a file and
// every stream on Linux get the bytes as they are. One implementation per platform.
#pragma once

#include <cstdarg>
#include <cstdio>

void printText(std::FILE* stream, const char* format, std::va_list args);
