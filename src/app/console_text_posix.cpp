// SPDX-License-Identifier: MIT
#include "app/console_text.h"

void printText(std::FILE* stream, const char* format, std::va_list args) { std::vfprintf(stream, format, args); }
