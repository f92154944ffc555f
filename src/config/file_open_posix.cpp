// SPDX-License-Identifier: MIT
#include "config/file_open.h"

std::FILE* openForReading(const char* path) { return std::fopen(path, "rb"); }
