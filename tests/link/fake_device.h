// An in-process stand-in for the serial link and the device behind it. The upload under
// test talks to it through the ordinary link functions; the test scripts how the device
// answers and then reads back every byte the upload sent.
#pragma once

#include <cstdint>
#include <vector>

struct FakeDevice {
    bool openFails = false;
    int greetingReply = '!';  // -1: no reply
    int ackByte = 0x06;       // reply to "K", "S" and every write command
    int silentFromWrite = 0;  // 1-based write command from which the device stays silent; 0 never
    int lateWrite = 0;        // 1-based write command whose reply comes only after its read timed out
    bool lateStart = false;   // the reply to "K" comes late
    bool silentStart = false;
    bool silentStore = false;
    int goneAfterBytes = -1;  // bytes received before every write fails (unplugged); -1 never
    int interruptAfterCommands = -1;  // commands sent before an interrupt is pending; -1 never
    int interruptSignal = 2;

    // Observed.
    std::vector<std::uint8_t> sent;
    int opens = 0;
    int closes = 0;
    int commandsSeen = 0;
    int writesSeen = 0;
    bool openNow = false;
};

// The device the link functions talk to; reset it at the start of each test.
FakeDevice& fakeDevice();
void resetFakeDevice();
