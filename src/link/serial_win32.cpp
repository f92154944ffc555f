// SPDX-License-Identifier: MIT
// The serial port through the Win32 communications calls of KERNEL32.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "link/serial.h"

struct SerialPort {
    HANDLE handle;
};

namespace {

// One port is open at a time.
SerialPort openPort = {INVALID_HANDLE_VALUE};

char kModeText[] = "baud=9600 parity=N data=8 stop=1";
constexpr DWORD kQueueSize = 1024;

char openFailure[320];

// Records the system's words for error, with the usual fix where there is one.
void recordOpenFailure(DWORD error) {
    char text[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    // One line: without the trailing line end and full stop.
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) {
        --n;
    }
    text[n] = '\0';
    if (n == 0) {
        std::snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(error));
    }
    const char* fix = "";
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) {
        fix = " - another program holds the port";
    } else if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        fix = " - no such port on this computer";
    }
    std::snprintf(openFailure, sizeof openFailure, "%s%s", text, fix);
}

}  // namespace

SerialPort* openLink(const char* device) {
    HANDLE handle = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        recordOpenFailure(GetLastError());
        return nullptr;
    }
    // None of the set-up results are looked at: a port that opens but does not work is
    // found by the first read, which times out.
    ClearCommError(handle, nullptr, nullptr);
    PurgeComm(handle, PURGE_TXCLEAR | PURGE_RXCLEAR);

    DCB control;
    std::memset(&control, 0, sizeof control);
    control.DCBlength = sizeof control;
    GetCommState(handle, &control);
    BuildCommDCBA(kModeText, &control);
    SetCommState(handle, &control);

    SetupComm(handle, kQueueSize, kQueueSize);

    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = kReadTimeoutMs;
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutConstantMs;
    SetCommTimeouts(handle, &timeouts);

    openPort.handle = handle;
    return &openPort;
}

const char* linkOpenFailure() {
    return openFailure;
}

int writeBytes(SerialPort* port, const std::uint8_t* bytes, int count) {
    if (count <= 0) {
        return 0;
    }
    DWORD written = 0;
    if (!WriteFile(port->handle, bytes, static_cast<DWORD>(count), &written, nullptr)) {
        return -1;
    }
    return static_cast<int>(written);
}

int readByte(SerialPort* port) {
    std::uint8_t value = 0;
    DWORD received = 0;
    if (!ReadFile(port->handle, &value, 1, &received, nullptr) || received != 1) {
        return -1;
    }
    return value;
}

void closeLink(SerialPort* port) {
    if (port == nullptr || port->handle == INVALID_HANDLE_VALUE) {
        return;
    }
    CloseHandle(port->handle);
    port->handle = INVALID_HANDLE_VALUE;
}

void discardInput(SerialPort* port) {
    PurgeComm(port->handle, PURGE_RXCLEAR);
}
