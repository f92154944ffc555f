// SPDX-License-Identifier: MIT
// The port's set-up against scripted communications calls (run under Wine by tests/wine): each
// row makes one call fail and gives the calls the set-up must then make, in order. "=old" marks
// a call that puts back the settings found at open. Exit status 0 when every row holds.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "link/comm_setup_win32.h"
#include "link/serial.h"

namespace {

struct Row {
    const char* failing;  // the call that fails, or "" for none
    const char* calls;    // every call made, in order
};

const Row kRows[] = {
    {"", "GetCommState GetCommTimeouts SetupComm SetCommState SetCommTimeouts PurgeComm ClearCommError"},
    {"GetCommState", "GetCommState"},
    {"GetCommTimeouts", "GetCommState GetCommTimeouts"},
    {"SetupComm", "GetCommState GetCommTimeouts SetupComm SetCommState=old SetCommTimeouts=old"},
    {"SetCommState",
     "GetCommState GetCommTimeouts SetupComm SetCommState SetCommState=old SetCommTimeouts=old"},
    {"SetCommTimeouts",
     "GetCommState GetCommTimeouts SetupComm SetCommState SetCommTimeouts SetCommState=old SetCommTimeouts=old"},
    {"PurgeComm", "GetCommState GetCommTimeouts SetupComm SetCommState SetCommTimeouts PurgeComm SetCommState=old "
                  "SetCommTimeouts=old"},
    {"ClearCommError", "GetCommState GetCommTimeouts SetupComm SetCommState SetCommTimeouts PurgeComm "
                       "ClearCommError SetCommState=old SetCommTimeouts=old"},
};

constexpr DWORD kScriptedError = ERROR_INVALID_FUNCTION;

// The port as another program left it: every bit of the control block set (abort on error, null
// stripping, every kind of flow control), time-outs all zero (a read that waits for ever).
DCB oldControl;
COMMTIMEOUTS oldTimeouts;
const char* failing;
std::string calls;
DCB setControl;
COMMTIMEOUTS setTimeouts;

BOOL step(const char* name, bool old = false)
{
    calls += (calls.empty() ? "" : " ") + std::string(name) + (old ? "=old" : "");
    if (std::strcmp(name, failing) != 0) return TRUE;
    SetLastError(kScriptedError);
    return FALSE;
}

BOOL WINAPI getState(HANDLE, LPDCB dcb) { return step("GetCommState") && (*dcb = oldControl, TRUE); }
BOOL WINAPI getTimeouts(HANDLE, LPCOMMTIMEOUTS t) { return step("GetCommTimeouts") && (*t = oldTimeouts, TRUE); }
BOOL WINAPI setupQueues(HANDLE, DWORD, DWORD) { return step("SetupComm"); }
BOOL WINAPI purge(HANDLE, DWORD) { return step("PurgeComm"); }
BOOL WINAPI clearError(HANDLE, LPDWORD, LPCOMSTAT) { return step("ClearCommError"); }

BOOL WINAPI setState(HANDLE, LPDCB dcb)
{
    const bool old = std::memcmp(dcb, &oldControl, sizeof oldControl) == 0;
    if (!old) setControl = *dcb;
    return step("SetCommState", old);
}

BOOL WINAPI setTimeoutsCall(HANDLE, LPCOMMTIMEOUTS t)
{
    const bool old = std::memcmp(t, &oldTimeouts, sizeof oldTimeouts) == 0;
    if (!old) setTimeouts = *t;
    return step("SetCommTimeouts", old);
}

const CommCalls kScripted = {getState, setState, getTimeouts, setTimeoutsCall, setupQueues, purge, clearError};

int failures = 0;

void expect(bool holds, const char* row, const char* what)
{
    if (holds) return;
    std::printf("row %s: %s\n", row, what);
    ++failures;
}

// Nothing of the old control block may survive into the one the port runs with.
void checkControl(const DCB& c)
{
    const char* r = "(none)";
    expect(c.BaudRate == CBR_9600 && c.ByteSize == 8 && c.Parity == NOPARITY && c.StopBits == ONESTOPBIT, r,
           "9600 8N1");
    expect(c.fBinary && !c.fParity && !c.fErrorChar && !c.fNull && !c.fAbortOnError, r,
           "binary, no parity check, no replacement, no null stripping, no abort on error");
    expect(!c.fOutxCtsFlow && !c.fOutxDsrFlow && !c.fDsrSensitivity && !c.fOutX && !c.fInX, r, "no flow control");
    expect(c.fDtrControl == DTR_CONTROL_ENABLE && c.fRtsControl == RTS_CONTROL_ENABLE, r, "DTR and RTS on");
    expect(setTimeouts.ReadIntervalTimeout == 0 && setTimeouts.ReadTotalTimeoutMultiplier == 0 &&
               setTimeouts.ReadTotalTimeoutConstant == kReadTimeoutMs,
           r, "a read waits at most the reply window");
    expect(setTimeouts.WriteTotalTimeoutConstant == kWriteTimeoutConstantMs &&
               setTimeouts.WriteTotalTimeoutMultiplier == kWriteTimeoutPerByteMs,
           r, "writes time out");
}

}  // namespace

int main()
{
    std::memset(&oldControl, 0xFF, sizeof oldControl);
    oldControl.DCBlength = sizeof oldControl;
    std::memset(&oldTimeouts, 0, sizeof oldTimeouts);
    for (const Row& row : kRows) {
        const char* name = row.failing[0] != '\0' ? row.failing : "(none)";
        failing = row.failing;
        calls.clear();
        std::memset(&setControl, 0, sizeof setControl);
        CommSettings previous;
        DWORD error = 0;
        const char* failed = setUpComm(nullptr, kScripted, previous, &error);
        expect(failed == nullptr ? row.failing[0] == '\0' : std::strcmp(failed, row.failing) == 0, name,
               "the failed call named");
        expect(failed == nullptr || error == kScriptedError, name, "the call's error kept");
        if (calls != row.calls) {
            std::printf("row %s: calls were\n  %s\nnot\n  %s\n", name, calls.c_str(), row.calls);
            ++failures;
        }
        if (failed == nullptr) {
            checkControl(setControl);
            calls.clear();
            restoreComm(nullptr, kScripted, previous);
            expect(calls == "SetCommState=old SetCommTimeouts=old", name, "closing puts back the old settings");
        }
    }
    std::printf("%d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}
