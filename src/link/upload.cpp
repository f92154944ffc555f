#include "link/upload.h"

#include <cstdio>

#include "link/interrupt.h"
#include "link/serial.h"

namespace {

// What became of one command.
enum Step { Answered, Unanswered, Interrupted };

struct Upload {
    SerialPort* port;
    int signal;  // the interrupt that stopped the upload, or 0
};

// Sends one command (stopping first if an interrupt is pending) and reads its reply.
Step command(Upload& up, const std::uint8_t* bytes, int count, int* reply = nullptr)
{
    up.signal = pendingInterrupt();
    if (up.signal != 0) return Interrupted;
    writeBytes(up.port, bytes, count);
    const int r = readByte(up.port);
    if (reply != nullptr) *reply = r;
    return r < 0 ? Unanswered : Answered;
}

Step writeImageByte(Upload& up, std::size_t address, std::uint8_t data)
{
    const std::uint8_t bytes[4] = {kWriteCommand, static_cast<std::uint8_t>(address >> 8),
                                   static_cast<std::uint8_t>(address & 0xFFu), data};
    return command(up, bytes, 4);
}

// Writes a sequence up to its first empty slot, then an empty entry unless the sequence was
// sent to its last slot but one or further (the device keeps what it had there).
Step sendSequence(Upload& up, const ConfigImage& image, std::size_t base, int slots)
{
    std::size_t a = base;
    int k = 0;
    while (image.bytes[a + 1] != 0 && k < slots) {
        Step step = writeImageByte(up, a, image.bytes[a]);
        if (step != Answered) return step;
        step = writeImageByte(up, a + 1, image.bytes[a + 1]);
        if (step != Answered) return step;
        a += 2;
        ++k;
    }
    if (k < slots - 1) {
        Step step = writeImageByte(up, a, 0);
        if (step != Answered) return step;
        step = writeImageByte(up, a + 1, 0);
        if (step != Answered) return step;
    }
    return Answered;
}

Step sendBody(Upload& up, const ConfigImage& image, RunMode mode)
{
    for (int i = 0; i < kInputCount; ++i) {
        if ((mode & 1) == 0) {
            std::fputc('.', stdout);
            std::fflush(stdout);
        }
        const std::size_t block = static_cast<std::size_t>(i) * kInputBlockSize;
        Step step = sendSequence(up, image, block, kLongSlots);
        if (step != Answered) return step;
        step = sendSequence(up, image, block + kShortSequenceOffset, kShortSlots);
        if (step != Answered) return step;
    }
    Step step = writeImageByte(up, kOptionByte0Offset, optionByte0(image));
    if (step != Answered) return step;
    return writeImageByte(up, kOptionByte1Offset, optionByte1(image));
}

int finish(Upload& up, int result)
{
    const std::uint8_t closing = kClosingByte;
    writeBytes(up.port, &closing, 1);
    closeLink(up.port);
    return result;
}

}  // namespace

int uploadImage(const char* device, const ConfigImage& image, RunMode mode)
{
    Upload up{openLink(device), 0};
    if (up.port == nullptr) return UploadPortError;

    const std::uint8_t greeting = kGreeting;
    int reply = -1;
    const Step greeted = command(up, &greeting, 1, &reply);
    if (greeted == Interrupted) {
        closeLink(up.port);
        return UploadInterrupted + up.signal;
    }
    if (reply != kGreetingReply) {
        closeLink(up.port);
        return UploadNoDevice;
    }

    // The replies to "K" and "S" carry nothing the upload depends on.
    const std::uint8_t start = kStartByte;
    if (command(up, &start, 1) == Interrupted) return finish(up, UploadInterrupted + up.signal);

    Step step = sendBody(up, image, mode);
    if (step == Answered) {
        const std::uint8_t store = kStoreByte;
        step = command(up, &store, 1);
        if (step == Unanswered) step = Answered;
    }
    if (step == Interrupted) return finish(up, UploadInterrupted + up.signal);
    return finish(up, step == Answered ? UploadOk : UploadLinkError);
}
