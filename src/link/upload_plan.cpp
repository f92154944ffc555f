// SPDX-License-Identifier: MIT
#include "link/upload_plan.h"

#include <cstddef>

namespace {

// What the next step is.
enum Stage { Greet, Start, Inputs, Options, Store, Finish, Close, Ended };

// How the reply to the step just sent is judged.
enum ReplyCheck { NoCheck, GreetingCheck, AckCheck, StoreCheck };

UploadStep emptyStep() { return UploadStep{{0, 0, 0, 0}, 0, false, 0, false}; }

UploadStep singleByte(std::uint8_t value, bool readReply)
{
    UploadStep step = emptyStep();
    step.bytes[0] = value;
    step.count = 1;
    step.readReply = readReply;
    return step;
}

UploadStep writeCommand(std::size_t address, std::uint8_t data)
{
    UploadStep step = emptyStep();
    step.bytes[0] = kWriteCommand;
    step.bytes[1] = static_cast<std::uint8_t>(address >> 8);
    step.bytes[2] = static_cast<std::uint8_t>(address & 0xFFu);
    step.bytes[3] = data;
    step.count = 4;
    step.readReply = true;
    return step;
}

// The failure path and the normal end alike: the closing byte, then the outcome.
void closeWith(UploadSession& s, int result)
{
    s.stage = Close;
    s.result = result;
}

void endWith(UploadSession& s, int result)
{
    s.stage = Ended;
    s.result = result;
}

// The next write of the inputs' blocks: each sequence up to its first empty slot, then an
// empty entry unless the sequence was sent to its last slot but one or further (the device
// keeps what it had there). half 0 and 1 are the bytes of an entry, 2 and 3 those of the
// terminator. False once every input is sent.
bool nextInputStep(UploadSession& s, UploadStep& step)
{
    const auto& bytes = s.image->bytes;
    while (s.input < kInputCount) {
        const std::size_t base = static_cast<std::size_t>(s.input) * kInputBlockSize +
                                 (s.sequence != 0 ? kShortSequenceOffset : 0);
        const int slots = s.sequence != 0 ? kShortSlots : kLongSlots;
        const int opensInput = (s.sequence == 0 && s.slot == 0 && s.half == 0) ? s.input + 1 : 0;
        const std::size_t slotAt = base + 2 * static_cast<std::size_t>(s.slot);
        if (s.half < 2 && s.slot < slots && bytes[slotAt + 1] != 0) {
            step = writeCommand(slotAt + static_cast<std::size_t>(s.half), bytes[slotAt + static_cast<std::size_t>(s.half)]);
            step.input = opensInput;
            if (++s.half == 2) {
                s.half = 0;
                ++s.slot;
            }
            return true;
        }
        if (s.half < 2) s.half = 2;
        if (s.slot < slots - 1 && s.half < 4) {
            step = writeCommand(slotAt + static_cast<std::size_t>(s.half - 2), 0);
            step.input = opensInput;
            ++s.half;
            return true;
        }
        s.half = 0;
        s.slot = 0;
        if (++s.sequence == 2) {
            s.sequence = 0;
            ++s.input;
        }
    }
    return false;
}

bool hasExtra(int reply) { return reply >= 0 && (reply & kReplyExtra) != 0; }

}  // namespace

// The step after reply, judged as the last step asked.
UploadStep nextUploadStep(UploadSession& s, int reply)
{
    const int check = s.replyCheck;
    s.replyCheck = NoCheck;
    if (s.stage == Ended) return emptyStep();
    // A stop may cut a reply's wait short (the page's Cancel): a reply that did not come is
    // then not judged, one that came still is.
    const bool unjudged = reply < 0 && s.interrupt != 0;
    if (check == GreetingCheck && !unjudged) {
        if (reply < 0 || (reply & 0xFF) != kGreetingReply) {
            // No device: the port is closed without the closing byte.
            endWith(s, UploadNoDevice);
            return emptyStep();
        }
        // Whatever came with it is part of the opening, which the settle before the first
        // write clears away.
        s.greeted = true;
    } else if (check == AckCheck && !unjudged && (reply < 0 || hasExtra(reply)) && s.stage != Close) {
        closeWith(s, UploadLinkError);
    } else if (check == StoreCheck) {
        // The reply to "S" carries nothing the upload depends on, but two mean that the
        // replies ran one ahead of the commands somewhere; one that did not come may still.
        if (hasExtra(reply)) closeWith(s, UploadLinkError);
        s.settleAllows = reply < 0 ? 1 : 0;
    }
    if (s.interrupt != 0 && s.stage != Close && s.stage != Ended) {
        s.signal = s.interrupt;
        if (s.greeted) {
            closeWith(s, UploadInterrupted);
        } else {
            endWith(s, UploadInterrupted);
            return emptyStep();
        }
    }

    UploadStep step = emptyStep();
    switch (s.stage) {
    case Greet:
        step = singleByte(kGreeting, true);
        s.replyCheck = GreetingCheck;
        s.stage = Start;
        return step;
    case Start:
        // The replies to "K" and "S" carry nothing the upload depends on: a late or doubled
        // one is cleared by the settle before the first write.
        s.stage = Inputs;
        s.settleAllows = -1;
        return singleByte(kStartByte, true);
    case Inputs:
        if (nextInputStep(s, step)) {
            step.settleFirst = s.settleAllows == -1;
            s.replyCheck = AckCheck;
            return step;
        }
        s.stage = Options;
        s.half = 0;
        [[fallthrough]];
    case Options:
        step = writeCommand(s.half == 0 ? kOptionByte0Offset : kOptionByte1Offset,
                            s.half == 0 ? optionByte0(*s.image) : optionByte1(*s.image));
        if (++s.half == 2) s.stage = Store;
        s.replyCheck = AckCheck;
        return step;
    case Store:
        s.stage = Finish;
        s.replyCheck = StoreCheck;
        return singleByte(kStoreByte, true);
    case Finish:
        // Nothing may be left on the line: a byte now answers no command sent.
        closeWith(s, UploadOk);
        s.stage = Ended;
        step = singleByte(kClosingByte, false);
        step.settleFirst = true;
        return step;
    case Close:
        s.stage = Ended;
        return singleByte(kClosingByte, false);
    default:
        return emptyStep();
    }
}

void startUpload(UploadSession& session, const ConfigImage& image)
{
    session = UploadSession{};
    session.image = &image;
    session.stage = Greet;
    session.replyCheck = NoCheck;
    session.result = -1;
}

bool uploadSettled(UploadSession& s, int bytesSeen)
{
    const int allows = s.settleAllows;
    s.settleAllows = 0;
    if (bytesSeen >= 0 && (allows < 0 || bytesSeen <= allows)) return true;
    // Bytes that answer no command: the step is not sent, and the session closes.
    s.replyCheck = NoCheck;
    closeWith(s, UploadLinkError);
    return false;
}

void interruptUpload(UploadSession& s, int signal)
{
    if (s.stage == Close || s.stage == Ended || s.interrupt != 0) return;
    s.interrupt = signal;
}

void uploadWriteFailed(UploadSession& s)
{
    s.replyCheck = NoCheck;
    if (s.stage == Close || s.stage == Ended) {
        // "S" or the closing byte of a finished upload did not go out: the device may not
        // keep what it received. A failure or an interrupt keeps its own outcome.
        if (s.result == UploadOk) s.result = UploadLinkError;
        s.stage = Ended;
        return;
    }
    // A stop asked for while the write hung (the page's Cancel gives it up) is what ended it.
    if (s.interrupt != 0) {
        s.signal = s.interrupt;
        endWith(s, UploadInterrupted);
        return;
    }
    endWith(s, s.greeted ? UploadLinkError : UploadNoDevice);
}

bool uploadEnded(const UploadSession& session) { return session.stage == Ended; }

int uploadOutcome(const UploadSession& session) { return session.stage == Ended ? session.result : -1; }

int uploadSignal(const UploadSession& session) { return session.result == UploadInterrupted ? session.signal : 0; }

int uploadCommandCount(const ConfigImage& image)
{
    UploadSession session;
    startUpload(session, image);
    int commands = 0;
    for (UploadStep step = nextUploadStep(session, -1); step.count > 0;
         step = nextUploadStep(session, kGreetingReply)) {
        if (step.count == 4) ++commands;
    }
    return commands;
}
