// The upload's byte stream and results against a scripted in-process device.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "fake_device.h"
#include "link/upload.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void addWrite(Bytes& out, std::size_t address, std::uint8_t data)
{
    out.insert(out.end(), {'W', static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF), data});
}

void addTerminator(Bytes& out, std::size_t address)
{
    addWrite(out, address, 0);
    addWrite(out, address + 1, 0);
}

// The stream for an image whose only filled sequences are input 1's, holding `longCount`
// and `shortCount` entries whose bytes are (0x00, slot + 1).
Bytes expectedStream(int longCount, int shortCount, std::uint8_t opt0 = 0, std::uint8_t opt1 = 0)
{
    Bytes out{0xCD, 'K'};
    for (int input = 0; input < 72; ++input) {
        const std::size_t block = static_cast<std::size_t>(input) * 96;
        const int counts[2] = {input == 0 ? longCount : 0, input == 0 ? shortCount : 0};
        const std::size_t bases[2] = {block, block + 64};
        const int terminatorBelow[2] = {31, 15};
        for (int seq = 0; seq < 2; ++seq) {
            for (int s = 0; s < counts[seq]; ++s) {
                addWrite(out, bases[seq] + 2u * s, 0x00);
                addWrite(out, bases[seq] + 2u * s + 1, static_cast<std::uint8_t>(s + 1));
            }
            if (counts[seq] < terminatorBelow[seq]) addTerminator(out, bases[seq] + 2u * counts[seq]);
        }
    }
    addWrite(out, 0x1FFC, opt0);
    addWrite(out, 0x1FFD, opt1);
    out.push_back('S');
    out.push_back(0xED);
    return out;
}

ConfigImage imageWithInput1(int longCount, int shortCount)
{
    ConfigImage image;
    clearImage(image);
    for (int s = 0; s < longCount; ++s) image.bytes[2u * s + 1] = static_cast<std::uint8_t>(s + 1);
    for (int s = 0; s < shortCount; ++s) image.bytes[64 + 2u * s + 1] = static_cast<std::uint8_t>(s + 1);
    return image;
}

int upload(const ConfigImage& image, RunMode mode, std::string* dots = nullptr)
{
    testing::internal::CaptureStdout();
    const int result = uploadImage("FAKE", image, mode);
    const std::string out = testing::internal::GetCapturedStdout();
    if (dots != nullptr) *dots = out;
    return result;
}

class Upload : public testing::Test {
protected:
    void SetUp() override { resetFakeDevice(); }
};

TEST_F(Upload, EmptyImageSendsOnlyTerminatorsAndOptions)
{
    ConfigImage image;
    clearImage(image);
    std::string dots;
    EXPECT_EQ(upload(image, Normal, &dots), UploadOk);
    EXPECT_EQ(fakeDevice().sent, expectedStream(0, 0));
    EXPECT_EQ(dots, std::string(72, '.'));
    EXPECT_EQ(fakeDevice().closes, 1);
    EXPECT_FALSE(fakeDevice().openNow);
}

TEST_F(Upload, TerminatorOnlyBelowTheLastSlotButOne)
{
    const struct {
        int longCount, shortCount;
    } cases[] = {{1, 1}, {30, 14}, {31, 15}, {32, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.longCount << " long, " << c.shortCount << " short");
        resetFakeDevice();
        EXPECT_EQ(upload(imageWithInput1(c.longCount, c.shortCount), Normal), UploadOk);
        EXPECT_EQ(fakeDevice().sent, expectedStream(c.longCount, c.shortCount));
    }
}

TEST_F(Upload, SequenceEndsAtFirstSlotWithEmptySecondByte)
{
    ConfigImage image = imageWithInput1(5, 0);
    image.bytes[4] = 0x08;  // slot 2 keeps marker bits but has no key number
    image.bytes[5] = 0x00;
    Bytes expected = expectedStream(2, 0);
    EXPECT_EQ(upload(image, Normal), UploadOk);
    EXPECT_EQ(fakeDevice().sent, expected);
}

TEST_F(Upload, FlagBitsOfTheFirstSlotAreSentAndOptionsCarryTheirBytes)
{
    ConfigImage image = imageWithInput1(1, 0);
    image.bytes[0] = 0xA0;
    image.bytes[kOptionByte0Offset] = 0x0A;
    image.bytes[kOptionByte1Offset] = 0x9C;
    Bytes expected = expectedStream(1, 0, 0x0A, 0x9C);
    expected[2 + 3] = 0xA0;  // data byte of the first write command
    EXPECT_EQ(upload(image, Normal), UploadOk);
    EXPECT_EQ(fakeDevice().sent, expected);
}

TEST_F(Upload, DotsDependOnMode)
{
    const struct {
        RunMode mode;
        std::size_t dots;
    } cases[] = {{Normal, 72}, {ErrorsOnly, 0}, {Quiet, 72}};
    for (const auto& c : cases) {
        resetFakeDevice();
        std::string out;
        EXPECT_EQ(upload(imageWithInput1(0, 0), c.mode, &out), UploadOk);
        EXPECT_EQ(out, std::string(c.dots, '.')) << "mode " << c.mode;
    }
}

TEST_F(Upload, GreetingNotAnsweredWithBangMeansNoDevice)
{
    for (int replyByte : {-1, 0x00, 0xFF, 0x3F}) {
        resetFakeDevice();
        fakeDevice().greetingReply = replyByte;
        std::string out;
        EXPECT_EQ(upload(imageWithInput1(3, 0), Normal, &out), UploadNoDevice) << replyByte;
        EXPECT_EQ(fakeDevice().sent, Bytes{0xCD}) << "nothing follows an unanswered greeting";
        EXPECT_EQ(fakeDevice().closes, 1);
        EXPECT_EQ(out, "");
    }
}

TEST_F(Upload, PortThatFailsToOpenSendsNothing)
{
    fakeDevice().openFails = true;
    EXPECT_EQ(upload(imageWithInput1(3, 0), Normal), UploadPortError);
    EXPECT_TRUE(fakeDevice().sent.empty());
    EXPECT_EQ(fakeDevice().closes, 0);
}

// Silence from a given write command on: the upload sends that command, then only the
// closing byte, closes the port and reports a link error, wherever the silence begins.
TEST_F(Upload, SilenceEndsWithClosingByteWherever)
{
    const Bytes full = expectedStream(3, 0);
    const std::size_t writes = (full.size() - 4) / 4;  // greeting, K, S, closing byte aside
    const struct {
        const char* where;
        int write;
        std::size_t dots;
    } cases[] = {
        {"first entry byte", 1, 1},
        {"second byte of an entry", 2, 1},
        {"terminator of input 1's long sequence", 7, 1},
        {"terminator of input 1's short sequence", 9, 1},
        {"terminator of input 40", 6 + 2 + 39 * 4 + 1, 40},
        {"first option byte", static_cast<int>(writes) - 1, 72},
        {"second option byte", static_cast<int>(writes), 72},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        resetFakeDevice();
        fakeDevice().silentFromWrite = c.write;
        std::string out;
        EXPECT_EQ(upload(imageWithInput1(3, 0), Normal, &out), UploadLinkError);
        Bytes expected(full.begin(), full.begin() + 2 + 4 * c.write);
        expected.push_back(0xED);
        EXPECT_EQ(fakeDevice().sent, expected);
        EXPECT_EQ(out, std::string(c.dots, '.'));
        EXPECT_EQ(fakeDevice().closes, 1);
    }
}

// A device that is gone (its writes fail outright) is a link error wherever it goes, the
// store byte and the closing byte of an otherwise finished upload included.
TEST_F(Upload, WriteThatFailsIsALinkError)
{
    const Bytes full = expectedStream(1, 0);
    const int size = static_cast<int>(full.size());
    const struct {
        const char* where;
        int goneAfter;
        int result;
    } cases[] = {
        {"at the greeting", 0, UploadNoDevice},
        {"before K", 1, UploadLinkError},
        {"inside an entry's command", 4, UploadLinkError},
        {"after the last option byte", size - 2, UploadLinkError},
        {"before the closing byte", size - 1, UploadLinkError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        resetFakeDevice();
        fakeDevice().goneAfterBytes = c.goneAfter;
        EXPECT_EQ(upload(imageWithInput1(1, 0), Quiet), c.result);
        EXPECT_EQ(fakeDevice().sent, Bytes(full.begin(), full.begin() + c.goneAfter)) << "nothing after the failure";
        EXPECT_EQ(fakeDevice().closes, 1);
    }
}

TEST_F(Upload, RepliesToStartAndStoreAreNotChecked)
{
    fakeDevice().silentStart = true;
    fakeDevice().silentStore = true;
    EXPECT_EQ(upload(imageWithInput1(2, 2), Normal), UploadOk);
    EXPECT_EQ(fakeDevice().sent, expectedStream(2, 2));
}

TEST_F(Upload, AnyReplyByteCountsAsAcknowledgement)
{
    for (int ack : {0x00, 0xFF, 0x21}) {
        resetFakeDevice();
        fakeDevice().ackByte = ack;
        EXPECT_EQ(upload(imageWithInput1(2, 1), Normal), UploadOk) << ack;
        EXPECT_EQ(fakeDevice().sent, expectedStream(2, 1));
    }
}

TEST_F(Upload, LateReplyIsTakenByTheNextCommand)
{
    // The reply to "K" misses its read and answers the first write command instead; every
    // later reply then answers the command after its own, so nothing fails.
    fakeDevice().lateStart = true;
    EXPECT_EQ(upload(imageWithInput1(2, 0), Normal), UploadOk);
    EXPECT_EQ(fakeDevice().sent, expectedStream(2, 0));

    // A late reply to an entry byte is a missing reply: the upload stops there.
    resetFakeDevice();
    fakeDevice().lateWrite = 3;
    EXPECT_EQ(upload(imageWithInput1(2, 0), Normal), UploadLinkError);
    const Bytes full = expectedStream(2, 0);
    Bytes expected(full.begin(), full.begin() + 2 + 4 * 3);
    expected.push_back(0xED);
    EXPECT_EQ(fakeDevice().sent, expected);
}

TEST_F(Upload, InterruptStopsBetweenWholeCommands)
{
    const Bytes full = expectedStream(4, 0);
    for (int after : {2, 3, 10, 150}) {
        SCOPED_TRACE(after);
        resetFakeDevice();
        fakeDevice().interruptAfterCommands = after;  // greeting and K, then write commands
        EXPECT_EQ(upload(imageWithInput1(4, 0), Quiet), UploadInterrupted + 2);
        Bytes expected(full.begin(), full.begin() + 2 + 4 * (after - 2));
        expected.push_back(0xED);
        EXPECT_EQ(fakeDevice().sent, expected);
        EXPECT_EQ(fakeDevice().closes, 1);
    }
}

TEST_F(Upload, InterruptBeforeTheGreetingSendsNothing)
{
    fakeDevice().interruptAfterCommands = 0;
    fakeDevice().interruptSignal = 15;
    EXPECT_EQ(upload(imageWithInput1(1, 0), Normal), UploadInterrupted + 15);
    EXPECT_TRUE(fakeDevice().sent.empty());
    EXPECT_EQ(fakeDevice().closes, 1);
}

}  // namespace
