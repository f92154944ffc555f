// SPDX-License-Identifier: MIT
// Writes an image file so that a failed write never leaves a broken one behind.
#pragma once

#include <cstdio>

#include "config/config_image.h"

// Writes the image's bytes to outPath through a temporary file in the same folder, renamed
// over outPath once it is complete (a device or pipe is written directly). Refuses when outPath
// is the file at configPath. Failures are told on err, with the system's reason; false then.
bool writeImageFile(const char* outPath, const char* configPath, const ConfigImage& image, std::FILE* err);
