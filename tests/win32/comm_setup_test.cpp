// SPDX-License-Identifier: MIT
// The port's set-up against scripted communications calls (run under Wine by tests/wine): each
// row makes one call fail and gives every call the set-up must then make, in order; "=old"
// marks a call that puts back the settings found at open. Exit status 0 when every row holds.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "link/comm_setup_win32.h"
#include "link/serial.h"

namespace {

const char* const kRows[][2] = {
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

// The port as another program left it: every bit of the control block set (abort on error, null
// stripping, every kind of flow control), time-outs all zero (a read that waits for ever).
DCB oldControl, setControl;
COMMTIMEOUTS oldTimeouts, setTimeouts;
const char* failing;
std::string calls;

BOOL step(const char* name, bool old = false)
{
    calls += (calls.empty() ? "" : " ") + std::string(name) + (old ? "=old" : "");
    if (std::strcmp(name, failing) != 0) return TRUE;
    SetLastError(ERROR_INVALID_FUNCTION);
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
    return step("SetCommState", old) && (old || (setControl = *dcb, true));
}
BOOL WINAPI setTimeoutsOf(HANDLE, LPCOMMTIMEOUTS t)
{
    const bool old = std::memcmp(t, &oldTimeouts, sizeof oldTimeouts) == 0;
    return step("SetCommTimeouts", old) && (old || (setTimeouts = *t, true));
}

const CommCalls kScripted = {getState, setState, getTimeouts, setTimeoutsOf, setupQueues, purge, clearError};

int failures = 0;

void expect(bool holds, const char* row, const char* what)
{
    if (!holds) std::printf("row %s: %s\n", row, what), ++failures;
}

}  // namespace

int main()
{
    std::memset(&oldControl, 0xFF, sizeof oldControl);
    oldControl.DCBlength = sizeof oldControl;
    for (const auto& row : kRows) {
        const char* name = row[0][0] != '\0' ? row[0] : "(none)";
        failing = row[0];
        calls.clear();
        CommSettings previous;
        DWORD error = 0;
        const char* failed = setUpComm(nullptr, kScripted, previous, &error);
        expect(failed == nullptr ? row[0][0] == '\0' : std::strcmp(failed, row[0]) == 0, name, "the failed call named");
        expect(failed == nullptr || error == ERROR_INVALID_FUNCTION, name, "the call's error kept");
        expect(calls == row[1], name, ("the calls were " + calls).c_str());
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
    std::printf("%d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}
