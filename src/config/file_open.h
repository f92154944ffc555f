// SPDX-License-Identifier: MIT
// Opens a file for reading by its name as the programs hold it (UTF-8 on Windows, bytes
// elsewhere). One implementation per platform; nullptr and errno set when it cannot.
#pragma once

#include <cstdio>

std::FILE* openForReading(const char* path);
