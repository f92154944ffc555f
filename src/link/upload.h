// SPDX-License-Identifier: MIT
// Sends a compiled image to the device over the serial link, one acknowledged write command
// per byte; the conversation itself is the upload session of upload_plan.h.
#pragma once

#include "app/run_mode.h"
#include "config/config_image.h"
#include "link/upload_plan.h"

// Opens device, greets it and writes the filled part of every sequence and the option
// bytes. Prints one "." per input unless mode is ErrorsOnly. Returns an UploadResult, or
// UploadInterrupted + signal when interrupted.
int uploadImage(const char* device, const ConfigImage& image, RunMode mode);
