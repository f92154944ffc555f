// SPDX-License-Identifier: MIT
#include "link/upload.h"

#include <cstdio>

#include "link/interrupt.h"
#include "link/serial.h"

static_assert(kReadTimeoutMs == kReplyWindowMs, "the link's read time-out is the reply window");

namespace {

// The reply to the step just sent, as the session takes it: the first byte, and whether more
// came with it. Two bytes are read where one is due, at no extra cost, to see a second.
int readReply(SerialPort* port)
{
    std::uint8_t bytes[2];
    const int n = readBytes(port, bytes, 2);
    if (n <= 0) return -1;
    return bytes[0] + (n > 1 ? kReplyExtra : 0);
}

}  // namespace

UploadEnd uploadImage(const char* device, const ConfigImage& image, bool showDots)
{
    SerialPort* port = openLink(device);
    if (port == nullptr) return UploadEnd{UploadPortError, 0};

    UploadSession session;
    startUpload(session, image);
    int reply = -1;
    for (;;) {
        // An interrupt stops the upload between whole commands.
        const int signal = pendingInterrupt();
        if (signal != 0) interruptUpload(session, signal);
        const UploadStep step = nextUploadStep(session, reply);
        reply = -1;
        if (step.count == 0) break;
        if (step.settleFirst) {
            if (!uploadSettled(session, settleLine(port, kReplyWindowMs, kSettleLimitMs))) continue;
        }
        if (step.input != 0 && showDots) {
            std::fputc('.', stdout);
            std::fflush(stdout);
        }
        // A write that did not go out whole, failed or timed out, leaves the device with a
        // part of a command: nothing after it can be trusted.
        if (writeBytes(port, step.bytes, step.count) != step.count) {
            uploadWriteFailed(session);
            continue;
        }
        if (step.readReply) reply = readReply(port);
    }
    // Success also needs every byte, the closing byte included, to have left the host.
    if (!closeLink(port)) uploadWriteFailed(session);
    return UploadEnd{uploadOutcome(session), uploadSignal(session)};
}
