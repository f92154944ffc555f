// SPDX-License-Identifier: MIT
#include "sim_device.h"

void initSimDevice(SimDevice& device, std::uint8_t fill) {
    device.memory.fill(fill);
    device.sessionNumber = 0;
    resetSimSession(device);
}

void resetSimSession(SimDevice& device) {
    device.written.fill(0);
    device.state = ExpectCommand;
    device.addressHigh = 0;
    device.addressLow = 0;
    device.inSession = false;
    device.silent = false;
    device.bytesReceived = 0;
    device.writeCommands = 0;
}

namespace {

int answer(const SimDevice& device, std::uint8_t reply) { return device.silent ? -1 : reply; }

}  // namespace

SimStep feedSimByte(SimDevice& device, const SimOptions& options, std::uint8_t byte) {
    SimStep step{-1, 0, false, false};
    if (!device.inSession) {
        device.inSession = true;
        ++device.sessionNumber;
    }
    ++device.bytesReceived;
    switch (device.state) {
    case ExpectAddressHigh:
        device.addressHigh = byte;
        device.state = ExpectAddressLow;
        return step;
    case ExpectAddressLow:
        device.addressLow = byte;
        device.state = ExpectData;
        return step;
    case ExpectData: {
        device.state = ExpectCommand;
        ++device.writeCommands;
        unsigned address = (static_cast<unsigned>(device.addressHigh) << 8) | device.addressLow;
        if (address < kImageSize) {
            device.memory[address] = byte;
            device.written[address] = 1;
        }
        if (options.silentFrom > 0 && device.writeCommands >= options.silentFrom) {
            device.silent = true;
        }
        step.reply = device.writeCommands == options.skipWrite ? -1 : answer(device, options.ack);
        step.twice = device.writeCommands == options.doubleWrite;
        return step;
    }
    case ExpectCommand:
        break;
    }
    if (byte == 'W') {
        device.state = ExpectAddressHigh;
    } else if (byte == kSimGreeting) {
        step.reply = options.greetingAnswered ? answer(device, options.greetingReply) : -1;
    } else if (byte == 'K' || byte == 'S') {
        step.reply = answer(device, options.ack);
        step.replyAfterMs = byte == 'K' ? options.lateStartMs : 0;
        step.twice = byte == 'K' ? options.doubleStart : options.doubleStore;
    } else if (byte == kSimClosing) {
        step.sessionEnd = true;
    }
    return step;
}
