// SPDX-License-Identifier: MIT
// The upload as a conversation with no platform in it: the session says what to send next and
// whether a reply is to be read, and judges each reply. pyloload carries it out over the serial
// link and the web page over Web Serial, so both send the same bytes and reach the same outcomes.
#pragma once

#include <cstdint>

#include "config/config_image.h"

enum UploadResult : int {
    UploadOk = 0,
    UploadPortError = 2,  // the port failed to open
    UploadNoDevice = 3,   // the greeting was not answered with "!"
    UploadLinkError = 4,  // a write was not acknowledged, or the device is gone
    // 128 + the signal number: the upload was interrupted and stopped cleanly.
    UploadInterrupted = 128,
};

constexpr std::uint8_t kGreeting = 0xCD;
constexpr std::uint8_t kGreetingReply = '!';
constexpr std::uint8_t kStartByte = 'K';
constexpr std::uint8_t kWriteCommand = 'W';
constexpr std::uint8_t kStoreByte = 'S';
constexpr std::uint8_t kClosingByte = 0xED;

// One thing to send.
struct UploadStep {
    std::uint8_t bytes[4];
    int count;       // 1 or 4 bytes to send; 0 once the session has ended
    bool readReply;  // read one reply byte after sending (not after the closing byte)
    int input;       // 1 ... 72 when the step opens that input's block (a progress dot), else 0
    // Throw away whatever input is waiting before sending: a reply window ran out earlier, so a
    // reply that came late may still arrive, and a byte that came before a command was sent is
    // never that command's reply. False until a window runs out, so a device that answers in
    // time costs nothing extra.
    bool discardInput;
};

// Where the conversation stands. Plain data: start it with startUpload.
struct UploadSession {
    const ConfigImage* image;
    int stage;        // what the next step is; see upload_plan.cpp
    int input;        // 0 ... 71 while the inputs are sent
    int sequence;     // 0 long, 1 short
    int slot;         // next slot of the sequence
    int half;         // 0 or 1: which byte of the slot (or terminator) goes next
    int replyCheck;   // how the last step's reply is judged
    bool greeted;     // the device answered the greeting
    bool replyAwaited; // the last step read a reply
    bool replyMissed;  // a reply window ran out: stale input is thrown away from now on
    int result;       // the outcome once the session has ended; -1 before
};

void startUpload(UploadSession& session, const ConfigImage& image);

// The next step. reply answers the previous step that read one (0 ... 255, or -1 when none
// came in time) and is not looked at for the first step or after one that reads none. Once the
// session has ended, every step has count 0 and uploadOutcome tells the result.
UploadStep nextUploadStep(UploadSession& session, int reply);

// The user asked to stop (Ctrl-C, a signal, Cancel): when the device was greeted the next step
// is the closing byte, and the session then ends with UploadInterrupted + signal.
void interruptUpload(UploadSession& session, int signal);

// A write did not go out whole: it failed (the device is gone) or its time-out passed (the line
// is stalled, and a closing byte would only land inside the cut command). The session ends at
// once with nothing more to send: UploadLinkError once the device was greeted, UploadNoDevice before. An interrupted or
// already failed session keeps its outcome.
void uploadWriteFailed(UploadSession& session);

bool uploadEnded(const UploadSession& session);
int uploadOutcome(const UploadSession& session);

// How many write commands the image costs, for a progress bar and the time left.
int uploadCommandCount(const ConfigImage& image);
