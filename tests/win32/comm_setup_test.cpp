// SPDX-License-Identifier: MIT
// The port's set-up, reads, settling and close against scripted communications calls and a
// scripted clock (run under Wine by tests/wine). Each table row gives what the port does and
// every call the code must then make, in order: "=old" marks a call that puts back the settings
// found at open, "*" a call made again at once. Exit status 0 when every row holds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "link/comm_setup_win32.h"
#include "link/serial.h"

namespace {

// Set-up: the call that fails, every call made.
const char* const kSetUpRows[][2] = {
    {"", "GetCommState GetCommTimeouts SetupComm SetCommState SetCommTimeouts PurgeComm ClearCommError"},
    {"GetCommState", "GetCommState"},
    {"GetCommTimeouts", "GetCommState GetCommTimeouts"},
    {"SetupComm", "GetCommState GetCommTimeouts SetupComm SetCommState=old SetCommTimeouts=old"},
    {"SetCommState", "GetCommState GetCommTimeouts SetupComm SetCommState SetCommState=old SetCommTimeouts=old"},
    {"SetCommTimeouts", "GetCommState GetCommTimeouts SetupComm SetCommState SetCommTimeouts SetCommState=old "
                        "SetCommTimeouts=old"},
    {"PurgeComm", "GetCommState GetCommTimeouts SetupComm SetCommState SetCommTimeouts PurgeComm SetCommState=old "
                  "SetCommTimeouts=old"},
    {"ClearCommError", "GetCommState GetCommTimeouts SetupComm SetCommState SetCommTimeouts PurgeComm "
                       "ClearCommError SetCommState=old SetCommTimeouts=old"},
};

// What the line brings, one word for each wait of a one-byte read: "-" nothing within the read
// time-out, N that many bytes at once (the first 1 ms into the wait), "N*" that again at every
// wait, "x" a failed read; "!" after a word fails the ClearCommError that follows.
struct ReadRow {
    const char* line;
    int size;  // room in the buffer (readComm) or the quiet asked for in ms (settleComm)
    int result;
    const char* calls;  // nullptr: not looked at
    int ms;  // on the scripted clock, until the call returned
};

const ReadRow kReadRows[] = {
    {"-", 2, 0, "ReadFile", 36},
    {"1", 2, 1, "ReadFile ClearCommError", 1},
    {"1", 1, 1, "ReadFile", 1},
    {"2", 2, 2, "ReadFile ClearCommError ReadFile", 1},  // a second byte waits after the reply
    {"5", 2, 2, "ReadFile ClearCommError ReadFile", 1},
    {"5", 8, 5, "ReadFile ClearCommError ReadFile", 1},
    {"x", 2, -1, "ReadFile", 0},
    {"1!", 2, -1, "ReadFile ClearCommError", 1},
};

const ReadRow kSettleRows[] = {
    {"-", 36, 0, "ReadFile", 36},
    {"1 -", 36, 1, nullptr, 37},
    {"3 1 -", 36, 4, nullptr, 38},
    {"- 1 - -", 72, 1, nullptr, 109},
    {"1*", 36, -1, nullptr, 965},  // never quiet: gives up within the limit
    {"1 x", 36, -1, nullptr, 1},
};

// Close: the driver's output queue at each look ("N*" for ever, "!" a failed look), whether the
// flush works, the calls, whether every byte left, the time taken.
struct CloseRow {
    const char* queue;
    bool flushWorks;
    const char* calls;
    bool sent;
    int ms;
};

const CloseRow kCloseRows[] = {
    {"0", true, "ClearCommError FlushFileBuffers SetCommState=old SetCommTimeouts=old", true, 4},
    {"3 1 0", true, "ClearCommError* FlushFileBuffers SetCommState=old SetCommTimeouts=old", true, 6},
    // A line that stopped taking bytes: about 100 ms past the 6 ms five bytes need, then
    // thrown away, never flushed, and the old settings back all the same.
    {"5*", true, "ClearCommError* PurgeComm SetCommState=old SetCommTimeouts=old", false, 106},
    {"0", false, "ClearCommError FlushFileBuffers SetCommState=old SetCommTimeouts=old", false, 4},
    {"!", true, "ClearCommError SetCommState=old SetCommTimeouts=old", false, 0},
};

// The port as another program left it: every bit of the control block set (abort on error, null
// stripping, every kind of flow control), time-outs all zero (a read that waits for ever).
DCB oldControl, setControl;
COMMTIMEOUTS oldTimeouts, setTimeouts;
const char* failing = "";
std::string calls;
constexpr int kSettleLimit = 1000;  // as the upload asks

// The scripted line and clock.
std::string line[16];
int lineAt, lineWords;
DWORD waiting;       // bytes in the input queue
std::uint8_t nextByte;
bool clearFails;
std::string queue[16];
int queueAt, queueWords;
bool flushWorks;
ULONGLONG now;

int split(const char* text, std::string (&words)[16])
{
    int n = 0;
    for (const char* p = text; *p != '\0' && n < 16;) {
        const std::size_t len = std::strcspn(p, " ");
        words[n++].assign(p, len);
        p += len + (p[len] == ' ' ? 1 : 0);
    }
    return n;
}

// The next word of a script; the last one with "*" stays.
const std::string& nextWord(const std::string (&words)[16], int& at, int count)
{
    static const std::string none = "-";
    if (at >= count) return none;
    return words[at].back() == '*' ? words[at] : words[at++];
}

// Records a call; one made again right after itself is marked "*" instead.
BOOL step(const char* name, bool old = false)
{
    const std::string call = std::string(name) + (old ? "=old" : "");
    const std::string last = calls.substr(calls.rfind(' ') == std::string::npos ? 0 : calls.rfind(' ') + 1);
    if (last == call) {
        calls += "*";
    } else if (last != call + "*") {
        calls += (calls.empty() ? "" : " ") + call;
    }
    if (std::strcmp(name, failing) != 0) return TRUE;
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
}

BOOL WINAPI getState(HANDLE, LPDCB dcb) { return step("GetCommState") && (*dcb = oldControl, TRUE); }
BOOL WINAPI getTimeouts(HANDLE, LPCOMMTIMEOUTS t) { return step("GetCommTimeouts") && (*t = oldTimeouts, TRUE); }
BOOL WINAPI setupQueues(HANDLE, DWORD, DWORD) { return step("SetupComm"); }
BOOL WINAPI purge(HANDLE, DWORD) { return step("PurgeComm"); }
BOOL WINAPI setState(HANDLE, LPDCB dcb)
{
    const bool old = std::memcmp(dcb, &oldControl, sizeof oldControl) == 0;
    return step("SetCommState", old) && (old || (setControl = *dcb, true));
}
BOOL WINAPI setTimeoutsOf(HANDLE, LPCOMMTIMEOUTS t)
{
    const bool old = std::memcmp(t, &oldTimeouts, sizeof oldTimeouts) == 0;
    return step("SetCommTimeouts", old) && (old || (setTimeouts = *t, true));
}
BOOL WINAPI clearError(HANDLE, LPDWORD errors, LPCOMSTAT status)
{
    if (!step("ClearCommError")) return FALSE;
    const std::string& out = nextWord(queue, queueAt, queueWords);
    if (clearFails || out == "!") return clearFails = false, FALSE;
    *errors = 0;
    if (status != nullptr) {
        std::memset(status, 0, sizeof *status);
        status->cbInQue = waiting;
        status->cbOutQue = static_cast<DWORD>(std::atoi(out.c_str()));
    }
    return TRUE;
}
BOOL WINAPI readFile(HANDLE, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED)
{
    step("ReadFile");
    *got = 0;
    if (waiting == 0) {
        const std::string& word = nextWord(line, lineAt, lineWords);
        if (word == "x") return FALSE;
        if (word == "-") {
            now += kReadTimeoutMs;
            return TRUE;
        }
        now += 1;
        waiting = static_cast<DWORD>(std::atoi(word.c_str()));
        clearFails = word.back() == '!';
    }
    *got = size < waiting ? size : waiting;
    waiting -= *got;
    for (DWORD i = 0; i < *got; ++i) static_cast<std::uint8_t*>(buffer)[i] = ++nextByte;
    return TRUE;
}
BOOL WINAPI flush(HANDLE) { return step("FlushFileBuffers") && flushWorks; }
ULONGLONG WINAPI clock() { return now; }
void WINAPI sleep(DWORD ms) { now += ms; }

const CommCalls kScripted = {getState, setState, getTimeouts, setTimeoutsOf, setupQueues, purge,
                             clearError, readFile, flush, clock, sleep};

int failures = 0;

void expect(bool holds, const std::string& row, const std::string& what)
{
    if (!holds) std::printf("row %s: %s\n", row.c_str(), what.c_str()), ++failures;
}

void startScript(const char* lineText, const char* queueText, bool flushing)
{
    calls.clear();
    failing = "";
    lineWords = split(lineText, line);
    queueWords = split(queueText, queue);
    lineAt = queueAt = 0;
    waiting = 0;
    nextByte = 0;
    clearFails = false;
    flushWorks = flushing;
    now = 1000000;
}

void checkSetUp()
{
    for (const auto& row : kSetUpRows) {
        const std::string name = std::string("set-up ") + (row[0][0] != '\0' ? row[0] : "(none fails)");
        startScript("", "0", true);
        failing = row[0];
        CommSettings previous;
        DWORD error = 0;
        const char* failed = setUpComm(nullptr, kScripted, previous, &error);
        expect(failed == nullptr ? row[0][0] == '\0' : std::strcmp(failed, row[0]) == 0, name, "the failed call named");
        expect(failed == nullptr || error == ERROR_INVALID_FUNCTION, name, "the call's error kept");
        expect(calls == row[1], name, "the calls were " + calls);
        if (failed != nullptr) continue;
        // Nothing of the old control block survives into the one the port runs with.
        const DCB& c = setControl;
        expect(c.BaudRate == CBR_9600 && c.ByteSize == 8 && c.Parity == NOPARITY && c.StopBits == ONESTOPBIT &&
                   c.fBinary && !c.fParity && !c.fErrorChar && !c.fNull && !c.fAbortOnError,
               name, "9600 8N1, binary, no replacement or stripping, no abort on error");
        expect(!c.fOutxCtsFlow && !c.fOutxDsrFlow && !c.fDsrSensitivity && !c.fOutX && !c.fInX &&
                   c.fDtrControl == DTR_CONTROL_ENABLE && c.fRtsControl == RTS_CONTROL_ENABLE,
               name, "no flow control, DTR and RTS on");
        expect(setTimeouts.ReadIntervalTimeout == 0 && setTimeouts.ReadTotalTimeoutMultiplier == 0 &&
                   setTimeouts.ReadTotalTimeoutConstant == kReadTimeoutMs &&
                   setTimeouts.WriteTotalTimeoutConstant == kWriteTimeoutConstantMs &&
                   setTimeouts.WriteTotalTimeoutMultiplier == kWriteTimeoutPerByteMs,
               name, "a read waits at most the reply window; writes time out");
        calls.clear();
        restoreComm(nullptr, kScripted, previous);
        expect(calls == "SetCommState=old SetCommTimeouts=old", name, "closing puts back the old settings");
    }
}

void checkReads(const ReadRow* rows, std::size_t count, bool settling)
{
    for (std::size_t i = 0; i < count; ++i) {
        const ReadRow& row = rows[i];
        const std::string name = std::string(settling ? "settle \"" : "read \"") + row.line + "\"";
        startScript(row.line, "0", true);
        std::uint8_t buffer[8] = {};
        const int result = settling ? settleComm(nullptr, kScripted, row.size, kSettleLimit)
                                    : readComm(nullptr, kScripted, buffer, row.size);
        expect(result == row.result, name, "returned " + std::to_string(result));
        expect(row.calls == nullptr || calls == row.calls, name, "the calls were " + calls);
        expect(now - 1000000 == static_cast<ULONGLONG>(row.ms), name, "took " + std::to_string(now - 1000000) + " ms");
        for (int b = 0; !settling && b < result; ++b) expect(buffer[b] == b + 1, name, "the bytes in the order they came");
    }
}

void checkClose()
{
    for (const CloseRow& row : kCloseRows) {
        const std::string name = std::string("close \"") + row.queue + (row.flushWorks ? "\"" : "\", the flush fails");
        startScript("", row.queue, row.flushWorks);
        CommSettings previous = {oldControl, oldTimeouts};
        const bool sent = closeComm(nullptr, kScripted, previous);
        expect(sent == row.sent, name, sent ? "said every byte left" : "said bytes were left");
        expect(calls == row.calls, name, "the calls were " + calls);
        expect(now - 1000000 == static_cast<ULONGLONG>(row.ms), name, "took " + std::to_string(now - 1000000) + " ms");
    }
}

}  // namespace

int main()
{
    std::memset(&oldControl, 0xFF, sizeof oldControl);
    oldControl.DCBlength = sizeof oldControl;
    checkSetUp();
    checkReads(kReadRows, sizeof kReadRows / sizeof kReadRows[0], false);
    checkReads(kSettleRows, sizeof kSettleRows / sizeof kSettleRows[0], true);
    checkClose();
    std::printf("%d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}
