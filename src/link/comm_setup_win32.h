// SPDX-License-Identifier: MIT
// The port through the Win32 communications calls: its set-up, reading what the device sent,
// waiting for a quiet line, and the way back to the settings found at open once every byte
// has left. The calls (and the clock) come from a table, so that a test can script them.
#pragma once

#include <windows.h>

#include <cstdint>

struct CommCalls {
    BOOL(WINAPI* getCommState)(HANDLE, LPDCB);
    BOOL(WINAPI* setCommState)(HANDLE, LPDCB);
    BOOL(WINAPI* getCommTimeouts)(HANDLE, LPCOMMTIMEOUTS);
    BOOL(WINAPI* setCommTimeouts)(HANDLE, LPCOMMTIMEOUTS);
    BOOL(WINAPI* setupComm)(HANDLE, DWORD, DWORD);
    BOOL(WINAPI* purgeComm)(HANDLE, DWORD);
    BOOL(WINAPI* clearCommError)(HANDLE, LPDWORD, LPCOMSTAT);
    BOOL(WINAPI* readFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* flushFileBuffers)(HANDLE);
    ULONGLONG(WINAPI* tickCount)();  // a monotonic clock in milliseconds
    void(WINAPI* sleep)(DWORD);
};

// KERNEL32's own calls.
extern const CommCalls kSystemCommCalls;

// What a port was set to before this program set it up.
struct CommSettings {
    DCB control;
    COMMTIMEOUTS timeouts;
};

// The control block this program runs the port with: 9600 baud, 8 data bits, no parity, 1 stop
// bit, binary, no flow control of any kind, no parity or error replacement, no null stripping,
// no abort on error, DTR and RTS on. Every member is set, none kept from an earlier user.
DCB portControl();

// Saves the port's settings into previous, then sets it up: queues, control block, time-outs
// (a read waits at most kReadTimeoutMs for its byte), both directions flushed, errors cleared.
// Returns nullptr when every step worked; otherwise the name of the call that failed, with
// its error in *error (0 when the call set none), and the port is put back as it was.
const char* setUpComm(HANDLE port, const CommCalls& calls, CommSettings& previous, DWORD* error);

// Puts back the settings setUpComm saved.
void restoreComm(HANDLE port, const CommCalls& calls, const CommSettings& previous);

// readBytes, settleLine and closeLink of serial.h on a port that setUpComm set up; closeComm
// leaves the handle open.
int readComm(HANDLE port, const CommCalls& calls, std::uint8_t* buffer, int size);
int settleComm(HANDLE port, const CommCalls& calls, int quietMs, int limitMs);
bool closeComm(HANDLE port, const CommCalls& calls, const CommSettings& previous);
