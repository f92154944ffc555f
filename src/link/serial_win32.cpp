// SPDX-License-Identifier: MIT
// The serial port through the Win32 communications calls of KERNEL32; what the set-up, the
// reads and the close do is in comm_setup_win32.cpp.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "link/comm_setup_win32.h"
#include "link/serial.h"

struct SerialPort {
    HANDLE handle;
    CommSettings previous;  // put back at close
};

namespace {

// One port is open at a time.
SerialPort openPort = {INVALID_HANDLE_VALUE, {}};

char openFailure[640];

// The system's words for error as one line of UTF-8 (without the trailing line end and full
// stop), or its number when the system has none.
void systemWords(DWORD error, char (&text)[512]) {
    wchar_t wide[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), wide, 256, nullptr);
    while (n > 0 && (wide[n - 1] == L'\r' || wide[n - 1] == L'\n' || wide[n - 1] == L' ' || wide[n - 1] == L'.')) {
        --n;
    }
    wide[n] = L'\0';
    if (n == 0 || WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr) == 0) {
        std::snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(error));
    }
}

// A port that opened but refused a set-up call: the call, and the system's words if it gave any.
void recordSetUpFailure(const char* call, DWORD error) {
    if (error == 0) {
        std::snprintf(openFailure, sizeof openFailure, "not a serial port (%s failed)", call);
        return;
    }
    char text[512];
    systemWords(error, text);
    std::snprintf(openFailure, sizeof openFailure, "not a serial port (%s failed: %s)", call, text);
}

// Records the system's words for error, with the usual fix where there is one.
void recordOpenFailure(DWORD error) {
    char text[512];
    systemWords(error, text);
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
    // A port that does not take every setting is refused: with time-outs or flow control left
    // by another program a read could wait for ever.
    DWORD error = 0;
    const char* failed = setUpComm(handle, kSystemCommCalls, openPort.previous, &error);
    if (failed != nullptr) {
        recordSetUpFailure(failed, error);
        CloseHandle(handle);
        return nullptr;
    }
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

int readBytes(SerialPort* port, std::uint8_t* buffer, int size) {
    return readComm(port->handle, kSystemCommCalls, buffer, size);
}

int settleLine(SerialPort* port, int quietMs, int limitMs) {
    return settleComm(port->handle, kSystemCommCalls, quietMs, limitMs);
}

bool closeLink(SerialPort* port) {
    if (port == nullptr || port->handle == INVALID_HANDLE_VALUE) {
        return true;
    }
    const bool sent = closeComm(port->handle, kSystemCommCalls, port->previous);
    CloseHandle(port->handle);
    port->handle = INVALID_HANDLE_VALUE;
    return sent;
}
