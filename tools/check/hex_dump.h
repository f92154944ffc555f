// SPDX-License-Identifier: MIT
// The image as rows of 16 bytes in hexadecimal.
#pragma once

#include <cstdio>

#include "config/config_image.h"

// Prints "OFFSET  B0 B1 ... B15" rows (offset in four hex digits, bytes in two, lower case);
// a run of rows that are all zero is folded into one "*" line; the last line is the size.
void printHexDump(std::FILE* out, const ConfigImage& image);
