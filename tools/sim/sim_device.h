// SPDX-License-Identifier: MIT
// The simulated device's memory and its side of the byte protocol, free of any I/O.
#pragma once

#include <array>
#include <cstdint>

#include "config/config_image.h"
#include "sim_options.h"

enum SimParseState : int {
    ExpectCommand = 0,
    ExpectAddressHigh = 1,
    ExpectAddressLow = 2,
    ExpectData = 3,
};

struct SimDevice {
    std::array<std::uint8_t, kImageSize> memory;   // kept across sessions
    std::array<std::uint8_t, kImageSize> written;  // 1 where this session stored a byte
    SimParseState state;
    std::uint8_t addressHigh;
    std::uint8_t addressLow;
    bool inSession;
    bool silent;
    long sessionNumber;
    long bytesReceived;  // this session
    long writeCommands;  // this session
};

struct SimStep {
    int reply;        // byte to send back, or -1
    int replyAfterMs; // when: 0 at once, else this long after the byte came, on its own
    bool twice;       // the reply goes out again one byte time after the first
    bool sessionEnd;  // the closing byte ended the session
};

constexpr std::uint8_t kSimGreeting = 0xCD;
constexpr std::uint8_t kSimClosing = 0xED;

void initSimDevice(SimDevice& device, std::uint8_t fill);

// Takes one byte from the host. A session starts with the first byte after the last one ended.
SimStep feedSimByte(SimDevice& device, const SimOptions& options, std::uint8_t byte);

// Forgets the session's state; the memory stays.
void resetSimSession(SimDevice& device);
