// SPDX-License-Identifier: MIT
// The upload as a conversation with no platform in it: the session says what to send next and
// whether a reply is to be read, and judges each reply. pyloload carries it out over the serial
// link and the web page over Web Serial, so both send the same bytes and reach the same outcomes.
//
// What success proves: every write command's reply came within its own window after the
// command was sent, the line was quiet for a whole window before the first write (whatever
// the device said to the greeting and "K" is behind it) and again after "S" (no reply was left
// over for a command that missed its own), and every byte up to the closing byte left the host
// (the carrier checks that when it closes the port).
#pragma once

#include <cstdint>

#include "config/config_image.h"

// How an upload ends. Defined once: pyloload maps them to its exit statuses, the page to its
// words (through the WebAssembly build).
enum UploadResult : int {
    UploadOk = 0,
    UploadPortError = 2,    // the port failed to open
    UploadNoDevice = 3,     // the greeting was not answered with "!"
    UploadLinkError = 4,    // a write was not acknowledged, the replies lost their step, or the device is gone
    UploadInterrupted = 5,  // the user stopped it (Ctrl-C, a signal, Cancel); uploadSignal tells which
};

constexpr std::uint8_t kGreeting = 0xCD;
constexpr std::uint8_t kGreetingReply = '!';
constexpr std::uint8_t kStartByte = 'K';
constexpr std::uint8_t kWriteCommand = 'W';
constexpr std::uint8_t kStoreByte = 'S';
constexpr std::uint8_t kClosingByte = 0xED;

// How long a reply may take after its command was sent.
constexpr int kReplyWindowMs = 36;
// A line that does not fall quiet for a whole window within this long is not answering in step.
constexpr int kSettleLimitMs = 1000;
// Added to a reply when more bytes came with it: one command got two answers, so some reply
// belongs to another command.
constexpr int kReplyExtra = 0x100;

// One thing to send.
struct UploadStep {
    std::uint8_t bytes[4];
    int count;         // 1 or 4 bytes to send; 0 once the session has ended
    bool readReply;    // read one reply after sending (not after the closing byte)
    int input;         // 1 ... 72 when the step opens that input's block (a progress dot), else 0
    // Before sending: read and throw away whatever comes until the line has been quiet for
    // kReplyWindowMs (kSettleLimitMs at most), then tell the session with uploadSettled; send
    // the step only if that says so. Only before the first write and before the closing byte.
    bool settleFirst;
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
    int settleAllows; // bytes the coming settle may bring: -1 any (the opening), else 0 or 1
    int interrupt;    // the signal of a stop asked for and not yet acted on, else 0
    int signal;       // the signal that stopped the upload, else 0
    int result;       // the outcome once the session has ended; -1 before
};

void startUpload(UploadSession& session, const ConfigImage& image);

// The next step. reply answers the previous step that read one: -1 when none came in its
// window, else the first byte that came (0 ... 255) plus kReplyExtra when more came with it.
// It is not looked at for the first step or after one that reads none. Once the session has
// ended, every step has count 0 and uploadOutcome tells the result.
UploadStep nextUploadStep(UploadSession& session, int reply);

// What the settle before the step just given brought: the bytes thrown away, or -1 when the line
// did not fall quiet in time. True: send the step. False: the replies are out of step, the step
// is dropped and the next one closes the session with UploadLinkError.
bool uploadSettled(UploadSession& session, int bytesSeen);

// The user asked to stop (Ctrl-C, a signal, Cancel): once the reply in hand is judged, the next
// step is the closing byte when the device was greeted, and the session then ends with
// UploadInterrupted.
void interruptUpload(UploadSession& session, int signal);

// A write did not go out whole, or the bytes written did not all leave the host before the port
// was closed: it failed (the device is gone) or its time-out passed (the line is stalled, and a
// closing byte would only land inside the cut command). The session ends at once with nothing
// more to send: UploadLinkError once the device was greeted, UploadNoDevice before. An
// interrupted or already failed session keeps its outcome.
void uploadWriteFailed(UploadSession& session);

bool uploadEnded(const UploadSession& session);
int uploadOutcome(const UploadSession& session);
// The signal that stopped an interrupted upload, else 0.
int uploadSignal(const UploadSession& session);

// How many write commands the image costs, for a progress bar and the time left.
int uploadCommandCount(const ConfigImage& image);
