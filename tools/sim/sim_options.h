// SPDX-License-Identifier: MIT
// Command-line options of the device simulator.
#pragma once

#include <cstdint>

struct SimOptions {
    const char* linkPath;   // symlink to the terminal, or nullptr
    const char* memoryOut;  // memory written here at the end of each session, or nullptr
    const char* wireLog;    // every received byte appended here, or nullptr
    bool show;              // print what each input received at the end of each session
    bool greetingAnswered;  // false: the greeting gets no reply
    std::uint8_t greetingReply;
    long silentFrom;        // 1-based write command from which nothing is answered; 0 never
    long unplugAfter;       // write command after whose reply the device is unplugged; 0 never
    long skipWrite;         // 1-based write command that gets no reply (only that one); 0 none
    int lateStartMs;        // "K" is answered this late, on its own; 0 at once
    bool doubleStart;       // "K" is answered twice, the second reply one byte time after the first
    long doubleWrite;       // 1-based write command answered twice so; 0 none
    bool doubleStore;       // "S" is answered twice so
    long stallAfter;        // received bytes after which the line stops taking bytes; 0 never
    long stopReadingAfter;  // received bytes after which the device reads no more, with no flow
                            // control: the host's bytes still leave it; 0 never
    int delayMs;            // before each reply
    std::uint8_t ack;       // reply to write commands, "K" and "S"
    std::uint8_t fill;      // initial memory content
    bool once;              // exit after the first session
    long baud;              // pace both directions like a line of this speed; 0 no pacing
};

constexpr std::uint8_t kDefaultAck = 0x06;

void defaultSimOptions(SimOptions& options);

// Parses argv; false (after a message on standard error) when an option is wrong.
// help is set when --help was given.
bool parseSimOptions(int argc, char** argv, SimOptions& options, bool& help);

void printSimUsage(const char* program);
