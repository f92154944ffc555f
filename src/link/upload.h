// SPDX-License-Identifier: MIT
// Sends a compiled image to the device over the serial link, one acknowledged write command
// per byte; the conversation itself is the upload session of upload_plan.h.
#pragma once

#include "config/config_image.h"
#include "link/upload_plan.h"

// How an upload ended: an UploadResult, and for UploadInterrupted the signal that stopped it.
struct UploadEnd {
    int result;
    int signal;
};

// Opens device, greets it and writes the filled part of every sequence and the option
// bytes. Prints one "." per input on standard output when showDots is set.
UploadEnd uploadImage(const char* device, const ConfigImage& image, bool showDots);
