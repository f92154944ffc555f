// SPDX-License-Identifier: MIT
#include "link/upload.h"

#include <cstdio>

#include "link/interrupt.h"
#include "link/serial.h"

int uploadImage(const char* device, const ConfigImage& image, RunMode mode)
{
    SerialPort* port = openLink(device);
    if (port == nullptr) return UploadPortError;

    UploadSession session;
    startUpload(session, image);
    int reply = -1;
    for (;;) {
        // An interrupt stops the upload between whole commands.
        const int signal = pendingInterrupt();
        if (signal != 0) interruptUpload(session, signal);
        const UploadStep step = nextUploadStep(session, reply);
        if (step.count == 0) break;
        if (step.input != 0 && (mode & 1) == 0) {
            std::fputc('.', stdout);
            std::fflush(stdout);
        }
        if (step.discardInput) discardInput(port);
        // A write that did not go out whole, failed or timed out, leaves the device with a
        // part of a command: nothing after it can be trusted.
        if (writeBytes(port, step.bytes, step.count) != step.count) {
            uploadWriteFailed(session);
            continue;
        }
        reply = step.readReply ? readByte(port) : -1;
    }
    closeLink(port);
    return uploadOutcome(session);
}
