// SPDX-License-Identifier: MIT
// The serial port to the device: 9600 baud, 8 data bits, no parity, 1 stop bit, exclusive
// access, both directions flushed at open, a read waits at most 36 ms for its byte.
// One implementation per platform; one port is open at a time.
#pragma once

#include <cstddef>
#include <cstdint>

struct SerialPort;  // owned by the platform implementation

constexpr int kReadTimeoutMs = 36;
constexpr int kWriteTimeoutPerByteMs = 10;
constexpr int kWriteTimeoutConstantMs = 10;

// Opens and sets up the named device; nullptr when it cannot be opened, and then
// linkOpenFailure tells why.
SerialPort* openLink(const char* device);

// Why the last openLink failed, as one line for the user: the system's words and, where there
// is a usual fix, the fix. Empty before any failure.
const char* linkOpenFailure();

// Writes count bytes; returns how many were written (fewer when the write time-out passed:
// the line is stalled) or -1 when the call failed outright (the device is gone), even after
// part of the bytes. Anything but count is a failed write.
int writeBytes(SerialPort* port, const std::uint8_t* bytes, int count);

// Waits at most kReadTimeoutMs for a byte; returns how many bytes were read into buffer: every
// one that had come by then, up to size; 0 when none came in time, -1 when the read failed.
int readBytes(SerialPort* port, std::uint8_t* buffer, int size);

// Reads and throws away whatever comes until the line has been quiet for quietMs, at most
// limitMs in all. Returns the number of bytes thrown away, or -1 when the line did not fall
// quiet within limitMs or the read failed.
int settleLine(SerialPort* port, int quietMs, int limitMs);

// Waits a bounded time until every byte written has left the host, restores the port's
// previous settings and releases it. False when output was still waiting then (a line or
// adapter that stopped taking bytes): it is thrown away, never sent later as part of a command.
bool closeLink(SerialPort* port);
