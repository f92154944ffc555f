// SPDX-License-Identifier: MIT
// Reads a configuration line by line the way a text-mode stream does on every platform: a
// carriage return directly before a line feed is dropped, a Ctrl-Z byte ends the text, and a
// line is read with a 256-byte limit, so a longer physical line arrives in several reads. A
// UTF-8 byte-order mark at the very start is skipped. The bytes come from a file, read in
// fixed pieces into the caller's storage so that any size takes the same memory, or from a
// buffer already in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "config/text.h"

// A piece this large holds every file of a usable size, which then costs one read.
constexpr std::size_t kFilePieceSize = 64 * 1024;

struct LineReader {
    std::FILE* file;            // nullptr when reading a buffer
    const std::uint8_t* chunk;  // the bytes at hand: the buffer, or the last piece of the file
    std::size_t chunkPos;
    std::size_t chunkLen;
    std::uint8_t* piece;        // file pieces land here
    std::size_t pieceSize;
    const std::uint8_t* memory;  // the whole buffer, until it has been taken as the chunk
    std::size_t memorySize;
    bool ended;         // end of the bytes, Ctrl-Z or a read error
    bool ctrlZ;         // a Ctrl-Z byte ended the text; chunkPos still points at it
    int error;          // the system's error number when the file could not be opened or read
    bool atStart;
    // Where the last read began: 1-based physical line and 0-based column (non-zero for the
    // continuation of a line longer than 255 characters).
    int physicalLine;
    int startColumn;
    bool lastReadEndedLine;  // the last read ended with its line feed
    std::size_t lastReadLength;
};

// False when the file cannot be opened; reader.error tells why. The file is read in pieces
// of pieceSize bytes into piece, which must outlive the reader.
bool openLineReader(LineReader& reader, const char* path, std::uint8_t* piece, std::size_t pieceSize);

void openBufferReader(LineReader& reader, const std::uint8_t* data, std::size_t size);

// Reads the next line (at most 255 characters, its line feed kept when it fits) into line,
// NUL-terminated; returns the number of bytes read, or 0 at the end of the text. After 0,
// reader.error is non-zero when a read failed.
std::size_t readLine(LineReader& reader, char (&line)[kTextBufferSize]);

// After a Ctrl-Z ended the text: whether any byte follows it. May read on in the file.
bool bytesAfterCtrlZ(LineReader& reader);

void closeLineReader(LineReader& reader);
