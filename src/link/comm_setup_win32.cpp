// SPDX-License-Identifier: MIT
#include "link/comm_setup_win32.h"

#include <cstring>

#include "link/serial.h"

namespace {

constexpr DWORD kQueueSize = 1024;

// Output still queued at close is given the time its bytes need on the line and this much
// more; the last byte then needs about 1 ms to leave the shift register or an adapter.
constexpr ULONGLONG kDrainSpareMs = 100;
constexpr DWORD kLastByteMs = 2;

// Milliseconds that count bytes take at 9600 baud, 10 bits each with start and stop bit.
ULONGLONG lineMs(DWORD count) { return (static_cast<ULONGLONG>(count) * 10 * 1000 + 9599) / 9600; }

// Waits a bounded time until the driver's output queue is empty. When it does not empty, what
// it holds is thrown away: a stalled line would otherwise take it later as the start of a command.
bool drainComm(HANDLE port, const CommCalls& calls)
{
    const ULONGLONG start = calls.tickCount();
    ULONGLONG limit = 0;
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!calls.clearCommError(port, &errors, &status)) return false;  // the device is gone
        if (status.cbOutQue == 0) return true;
        if (limit == 0) limit = lineMs(status.cbOutQue) + kDrainSpareMs;
        if (calls.tickCount() - start >= limit) {
            calls.purgeComm(port, PURGE_TXABORT | PURGE_TXCLEAR);
            return false;
        }
        calls.sleep(1);
    }
}

}  // namespace

const CommCalls kSystemCommCalls = {GetCommState,   SetCommState, GetCommTimeouts,  SetCommTimeouts,
                                    SetupComm,      PurgeComm,    ClearCommError,   ReadFile,
                                    FlushFileBuffers, GetTickCount64, Sleep};

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

int readComm(HANDLE port, const CommCalls& calls, std::uint8_t* buffer, int size)
{
    // One byte with the port's time-outs: it comes back as soon as the byte is there.
    DWORD received = 0;
    if (!calls.readFile(port, buffer, 1, &received, nullptr)) return -1;
    if (received == 0 || size == 1) return static_cast<int>(received);
    // Whatever came with it is waiting in the driver's queue already and reads at once.
    DWORD errors = 0;
    COMSTAT status{};
    if (!calls.clearCommError(port, &errors, &status)) return -1;
    const DWORD more = status.cbInQue < static_cast<DWORD>(size - 1) ? status.cbInQue : static_cast<DWORD>(size - 1);
    if (more == 0) return 1;
    DWORD extra = 0;
    if (!calls.readFile(port, buffer + 1, more, &extra, nullptr)) return -1;
    return 1 + static_cast<int>(extra);
}

int settleComm(HANDLE port, const CommCalls& calls, int quietMs, int limitMs)
{
    // A read that brings nothing proves kReadTimeoutMs of quiet; the clock only bounds the whole.
    const ULONGLONG start = calls.tickCount();
    int seen = 0;
    int quietFor = 0;
    while (quietFor < quietMs) {
        if (calls.tickCount() - start + static_cast<ULONGLONG>(quietMs - quietFor) > static_cast<ULONGLONG>(limitMs)) {
            return -1;
        }
        std::uint8_t bytes[64];
        const int n = readComm(port, calls, bytes, sizeof bytes);
        if (n < 0) return -1;
        quietFor = n == 0 ? quietFor + kReadTimeoutMs : 0;
        seen += n;
    }
    return seen;
}

bool closeComm(HANDLE port, const CommCalls& calls, const CommSettings& previous)
{
    // Every byte leaves at this program's settings before the old ones come back. Some drivers
    // take the flush as leave to throw away what has not reached the line yet, so the last
    // byte's time is given before it as well as after.
    bool sent = drainComm(port, calls);
    if (sent) {
        calls.sleep(kLastByteMs);
        sent = calls.flushFileBuffers(port) != 0;
        calls.sleep(kLastByteMs);
    }
    restoreComm(port, calls, previous);
    return sent;
}
