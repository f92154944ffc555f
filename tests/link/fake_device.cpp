#include "fake_device.h"

#include <deque>

#include "link/interrupt.h"
#include "link/serial.h"
#include "link/upload.h"

struct SerialPort {
    int unused;
};

namespace {

FakeDevice device;
SerialPort thePort;
std::deque<int> replies;         // bytes waiting in the host's receive queue
std::deque<int> afterTimeout;    // bytes that arrive once the current read has timed out
std::vector<std::uint8_t> frame; // the write command being received

void reply(int byte, bool late)
{
    if (late) {
        afterTimeout.push_back(byte);
    } else {
        replies.push_back(byte);
    }
}

void receive(std::uint8_t b)
{
    device.sent.push_back(b);
    if (!frame.empty()) {
        frame.push_back(b);
        if (frame.size() < 4) return;
        frame.clear();
        const int n = ++device.writesSeen;
        if (device.silentFromWrite != 0 && n >= device.silentFromWrite) return;
        reply(device.ackByte, n == device.lateWrite);
        return;
    }
    ++device.commandsSeen;
    switch (b) {
    case kGreeting:
        if (device.greetingReply >= 0) reply(device.greetingReply, false);
        break;
    case kStartByte:
        if (!device.silentStart) reply(device.ackByte, device.lateStart);
        break;
    case kStoreByte:
        if (!device.silentStore) reply(device.ackByte, false);
        break;
    case kWriteCommand:
        frame.push_back(b);
        break;
    default:
        break;
    }
}

}  // namespace

FakeDevice& fakeDevice() { return device; }

void resetFakeDevice()
{
    device = FakeDevice{};
    replies.clear();
    afterTimeout.clear();
    frame.clear();
}

void portDeviceName(int port, char* out, std::size_t outSize)
{
    if (outSize > 5) {
        out[0] = 'F';
        out[1] = 'A';
        out[2] = 'K';
        out[3] = static_cast<char>('0' + port);
        out[4] = '\0';
    }
}

SerialPort* openLink(const char*)
{
    ++device.opens;
    if (device.openFails) return nullptr;
    device.openNow = true;
    return &thePort;
}

int writeBytes(SerialPort*, const std::uint8_t* bytes, int count)
{
    for (int i = 0; i < count; ++i) {
        if (device.goneAfterBytes >= 0 && static_cast<int>(device.sent.size()) >= device.goneAfterBytes) return -1;
        receive(bytes[i]);
    }
    return count;
}

int readByte(SerialPort*)
{
    if (replies.empty()) {
        // The read times out; whatever the device sends late waits for the next read.
        for (int b : afterTimeout) replies.push_back(b);
        afterTimeout.clear();
        return -1;
    }
    const int b = replies.front();
    replies.pop_front();
    for (int late : afterTimeout) replies.push_back(late);
    afterTimeout.clear();
    return b;
}

const char* linkOpenFailure() { return "the fake port does not open"; }

void closeLink(SerialPort*)
{
    ++device.closes;
    device.openNow = false;
}

void armInterrupt() {}
void disarmInterrupt() {}

int pendingInterrupt()
{
    if (device.interruptAfterCommands >= 0 && device.commandsSeen >= device.interruptAfterCommands) {
        return device.interruptSignal;
    }
    return 0;
}
