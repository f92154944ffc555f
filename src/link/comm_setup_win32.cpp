// SPDX-License-Identifier: MIT
#include "link/comm_setup_win32.h"

#include <cstring>

#include "link/serial.h"

namespace {

constexpr DWORD kQueueSize = 1024;

}  // namespace

const CommCalls kSystemCommCalls = {GetCommState,    SetCommState, GetCommTimeouts, SetCommTimeouts,
                                    SetupComm,       PurgeComm,    ClearCommError};

DCB portControl()
{
    DCB control;
    std::memset(&control, 0, sizeof control);
    control.DCBlength = sizeof control;
    control.BaudRate = CBR_9600;
    control.fBinary = TRUE;
    control.fParity = FALSE;
    control.fOutxCtsFlow = FALSE;
    control.fOutxDsrFlow = FALSE;
    control.fDtrControl = DTR_CONTROL_ENABLE;
    control.fDsrSensitivity = FALSE;
    control.fTXContinueOnXoff = TRUE;
    control.fOutX = FALSE;
    control.fInX = FALSE;
    control.fErrorChar = FALSE;
    control.fNull = FALSE;
    control.fRtsControl = RTS_CONTROL_ENABLE;
    control.fAbortOnError = FALSE;
    control.XonLim = kQueueSize / 4;
    control.XoffLim = kQueueSize / 4;
    control.ByteSize = 8;
    control.Parity = NOPARITY;
    control.StopBits = ONESTOPBIT;
    control.XonChar = 0x11;  // unused without XON/XOFF, but the system refuses equal ones
    control.XoffChar = 0x13;
    control.ErrorChar = 0;
    control.EofChar = 0;
    control.EvtChar = 0;
    return control;
}

const char* setUpComm(HANDLE port, const CommCalls& calls, CommSettings& previous, DWORD* error)
{
    SetLastError(0);
    std::memset(&previous, 0, sizeof previous);
    previous.control.DCBlength = sizeof previous.control;
    if (!calls.getCommState(port, &previous.control)) {
        *error = GetLastError();
        return "GetCommState";
    }
    if (!calls.getCommTimeouts(port, &previous.timeouts)) {
        *error = GetLastError();
        return "GetCommTimeouts";
    }

    DCB control = portControl();
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = kReadTimeoutMs;
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutConstantMs;
    DWORD errors = 0;
    const char* failed = nullptr;
    if (!calls.setupComm(port, kQueueSize, kQueueSize)) {
        failed = "SetupComm";
    } else if (!calls.setCommState(port, &control)) {
        failed = "SetCommState";
    } else if (!calls.setCommTimeouts(port, &timeouts)) {
        failed = "SetCommTimeouts";
    } else if (!calls.purgeComm(port, PURGE_TXCLEAR | PURGE_RXCLEAR)) {
        failed = "PurgeComm";  // stale input would pass for the greeting's reply
    } else if (!calls.clearCommError(port, &errors, nullptr)) {
        failed = "ClearCommError";  // a latched error would stop every read and write
    }
    if (failed != nullptr) {
        *error = GetLastError();
        restoreComm(port, calls, previous);
    }
    return failed;
}

void restoreComm(HANDLE port, const CommCalls& calls, const CommSettings& previous)
{
    CommSettings saved = previous;  // the calls take pointers to non-const
    calls.setCommState(port, &saved.control);
    calls.setCommTimeouts(port, &saved.timeouts);
}
