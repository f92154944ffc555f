// Sends a compiled image to the device, one acknowledged write command per byte.
#pragma once

#include <cstdint>

#include "app/run_mode.h"
#include "config/config_image.h"

enum UploadResult : int {
    UploadOk = 0,
    UploadPortError = 2,  // the port failed to open
    UploadNoDevice = 3,   // the greeting was not answered with "!"
    UploadLinkError = 4,  // an entry byte was not acknowledged
    // 128 + the signal number: the upload was interrupted and stopped cleanly.
    UploadInterrupted = 128,
};

constexpr std::uint8_t kGreeting = 0xCD;
constexpr std::uint8_t kGreetingReply = '!';
constexpr std::uint8_t kStartByte = 'K';
constexpr std::uint8_t kWriteCommand = 'W';
constexpr std::uint8_t kStoreByte = 'S';
constexpr std::uint8_t kClosingByte = 0xED;

// Opens device, greets it and writes the filled part of every sequence and the option
// bytes. Prints one "." per input unless mode is ErrorsOnly. Returns an UploadResult, or
// UploadInterrupted + signal when interrupted.
int uploadImage(const char* device, const ConfigImage& image, RunMode mode);
