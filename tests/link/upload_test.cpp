// SPDX-License-Identifier: MIT
// The upload's byte stream and results against an in-process device that stands in for the
// serial link: each row of upload_cases.tsv scripts the device and names what must be sent.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <map>
#include <sstream>

#include "../support/case_table.h"
#include "link/interrupt.h"
#include "link/serial.h"
#include "link/upload.h"

struct SerialPort {
    int unused;
};

namespace {

using Bytes = std::vector<std::uint8_t>;

struct FakeDevice {
    std::map<std::string, int> set;  // the row's device column
    Bytes sent, frame;               // every byte received; the write command being received
    std::deque<int> replies, late;   // waiting in the host's queue; arriving after the next read times out
    int commands = 0, writes = 0, closes = 0, settles = 0;
} device;
SerialPort thePort;

int setting(const char* key, int otherwise)
{
    const auto it = device.set.find(key);
    return it == device.set.end() ? otherwise : it->second;
}

void receive(std::uint8_t b)
{
    device.sent.push_back(b);
    const int ack = setting("ack", 0x06);
    if (!device.frame.empty()) {
        device.frame.push_back(b);
        if (device.frame.size() < 4) return;
        device.frame.clear();
        const int n = ++device.writes;
        if ((setting("silentFrom", 0) == 0 || n < setting("silentFrom", 0)) && n != setting("skipWrite", 0)) (n == setting("lateWrite", 0) ? device.late : device.replies).push_back(ack);
        if (n == setting("doubleWrite", 0)) device.replies.push_back(ack);
        return;
    }
    ++device.commands;
    if (b == kGreeting && setting("greeting", '!') >= 0) device.replies.push_back(setting("greeting", '!'));
    if (b == kStartByte && !setting("silentStart", 0)) (setting("lateStart", 0) ? device.late : device.replies).push_back(ack);
    if (b == kStartByte && setting("doubleStart", 0)) device.late.push_back(ack);
    if (b == kStoreByte && !setting("silentStore", 0)) (setting("lateStore", 0) ? device.late : device.replies).push_back(ack);
    if (b == kStoreByte && setting("doubleStore", 0)) (setting("doubleStore", 0) == 1 ? device.replies : device.late).push_back(ack);
    if (b == kWriteCommand) device.frame.push_back(b);
}

void addWrite(Bytes& out, std::size_t address, std::uint8_t data)
{
    out.insert(out.end(), {'W', static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF), data});
}

// The whole stream for an image whose only filled sequences are input 1's, holding
// longCount and shortCount entries whose bytes are (0x00, slot + 1).
Bytes expectedStream(int longCount, int shortCount, std::uint8_t opt0, std::uint8_t opt1)
{
    Bytes out{0xCD, 'K'};
    for (std::size_t block = 0; block < 72 * 96; block += 96) {
        const int counts[2] = {block == 0 ? longCount : 0, block == 0 ? shortCount : 0};
        for (int seq = 0; seq < 2; ++seq) {
            const std::size_t base = block + 64 * seq;
            for (int s = 0; s < counts[seq]; ++s) {
                addWrite(out, base + 2u * s, 0x00);
                addWrite(out, base + 2u * s + 1, static_cast<std::uint8_t>(s + 1));
            }
            if (counts[seq] < (seq == 0 ? 31 : 15)) {  // no terminator after the last slot but one
                addWrite(out, base + 2u * counts[seq], 0);
                addWrite(out, base + 2u * counts[seq] + 1, 0);
            }
        }
    }
    addWrite(out, 0x1FFC, opt0);
    addWrite(out, 0x1FFD, opt1);
    out.insert(out.end(), {'S', 0xED});
    return out;
}

}  // namespace

SerialPort* openLink(const char*) { return setting("openFails", 0) ? nullptr : &thePort; }
const char* linkOpenFailure() { return "the fake port does not open"; }
bool closeLink(SerialPort*) { return ++device.closes, !setting("undrained", 0); }
void armInterrupt() {}
void disarmInterrupt() {}

int writeBytes(SerialPort*, const std::uint8_t* bytes, int count)
{
    for (int i = 0; i < count; ++i) {
        const int received = static_cast<int>(device.sent.size());
        if (setting("goneAfter", -1) >= 0 && received >= setting("goneAfter", -1)) return -1;
        if (setting("stallAfter", -1) >= 0 && received >= setting("stallAfter", -1)) return i;  // the time-out passed
        receive(bytes[i]);
    }
    return count;
}

// A read takes every reply that is waiting, or times out; whatever came late then waits for
// the next read.
int readBytes(SerialPort*, std::uint8_t* buffer, int size)
{
    int n = 0;
    for (; n < size && !device.replies.empty(); ++n) {
        buffer[n] = static_cast<std::uint8_t>(device.replies.front());
        device.replies.pop_front();
    }
    device.replies.insert(device.replies.end(), device.late.begin(), device.late.end());
    device.late.clear();
    return n;
}

// Settling takes everything that is on its way; the line then falls quiet.
int settleLine(SerialPort*, int, int)
{
    const int seen = static_cast<int>(device.replies.size() + device.late.size());
    device.replies.clear(), device.late.clear(), ++device.settles;
    return seen;
}

int pendingInterrupt()
{
    const int after = setting("interruptAfter", -1);
    return after >= 0 && device.commands >= after ? setting("signal", 2) : 0;
}

TEST(Upload, Cases)
{
    for (const CaseRow& row : readCaseTable(PYLO_LINK_CASES)) {
        SCOPED_TRACE(row[0]);
        device = FakeDevice{};
        std::istringstream image(row[1]), settings(row[3]), cut(row[6]);
        int longCount = 0, shortCount = 0;
        image >> longCount >> shortCount;
        ConfigImage input;
        clearImage(input);
        for (int s = 0; s < longCount; ++s) input.bytes[2u * s + 1] = static_cast<std::uint8_t>(s + 1);
        for (int s = 0; s < shortCount; ++s) input.bytes[64 + 2u * s + 1] = static_cast<std::uint8_t>(s + 1);
        for (std::string patch; image >> patch;) input.bytes.at(std::stoul(patch)) = static_cast<std::uint8_t>(std::stoul(patch.substr(patch.find('=') + 1), nullptr, 16));
        for (std::string kv; settings >> kv;) device.set[kv.substr(0, kv.find('='))] = std::stoi(kv.substr(kv.find('=') + 1));

        unsigned l = 0, s = 0, opt0 = 0, opt1 = 0, first = 0;
        ASSERT_GE(std::sscanf(row[5].c_str(), "%u %u %x %x %x", &l, &s, &opt0, &opt1, &first), 2);
        Bytes expected = expectedStream(static_cast<int>(l), static_cast<int>(s), static_cast<std::uint8_t>(opt0), static_cast<std::uint8_t>(opt1));
        expected[5] = static_cast<std::uint8_t>(first);  // data byte of the first write command
        std::string how;
        std::size_t count = 0;
        cut >> how >> count;
        if (how == "w") expected.resize(2 + 4 * count);  // greeting, K, count writes, then the closing byte
        if (how == "w") expected.push_back(0xED);
        if (how == "b" || how == "c") expected.resize(count);  // what was sent before the link failed
        if (how == "c") expected.push_back(0xED);  // ... or before the closing byte

        testing::internal::CaptureStdout();
        const UploadEnd end = uploadImage("FAKE", input, row[2] != "E");
        const std::string dots = testing::internal::GetCapturedStdout();
        EXPECT_EQ(end.result == UploadInterrupted ? 128 + end.signal : end.result, std::stoi(row[4]));
        EXPECT_EQ(device.sent, expected);
        EXPECT_TRUE(row[7].empty() || dots == std::string(std::stoul(row[7]), '.')) << dots;
        EXPECT_EQ(device.closes, std::stoi(row[8]));
        // The line is settled before the first write and before the closing byte of an upload
        // that got that far, and never in between: answers in time cost no extra wait.
        EXPECT_EQ(device.settles, std::stoi(row.at(9)));
    }
}
