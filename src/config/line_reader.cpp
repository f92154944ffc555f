// SPDX-License-Identifier: MIT
#include "config/line_reader.h"

#include <cerrno>
#include <cstring>

#include "config/file_open.h"

namespace {

constexpr int kEndOfText = -1;
constexpr std::uint8_t kCtrlZ = 0x1A;

void resetPosition(LineReader& reader)
{
    reader.chunk = nullptr;
    reader.chunkPos = 0;
    reader.chunkLen = 0;
    reader.memory = nullptr;
    reader.memorySize = 0;
    reader.ended = false;
    reader.ctrlZ = false;
    reader.error = 0;
    reader.atStart = true;
    reader.physicalLine = 1;
    reader.startColumn = 0;
    reader.lastReadEndedLine = false;
    reader.lastReadLength = 0;
}

// Takes the next piece of the bytes; false at their end or on a read error.
bool fill(LineReader& reader)
{
    if (reader.file == nullptr) {
        reader.chunk = reader.memory;
        reader.chunkLen = reader.memory != nullptr ? reader.memorySize : 0;
        reader.memory = nullptr;
    } else {
        // After a short piece the file is known to have ended; asking again costs a system call.
        if (std::feof(reader.file) != 0) return false;
        errno = 0;
        reader.chunk = reader.piece;
        reader.chunkLen = std::fread(reader.piece, 1, reader.pieceSize, reader.file);
        // An error ends the reading even after part of a piece: a later read could succeed
        // and hide the bytes that were lost.
        if (std::ferror(reader.file) != 0) {
            reader.error = errno != 0 ? errno : EIO;
            reader.chunkLen = 0;
        }
    }
    reader.chunkPos = 0;
    return reader.chunkLen > 0;
}

int peekRaw(LineReader& reader)
{
    if (reader.chunkPos >= reader.chunkLen) {
        if (reader.ended || !fill(reader)) {
            reader.ended = true;
            return kEndOfText;
        }
    }
    return reader.chunk[reader.chunkPos];
}

// One character of the text as text mode delivers it.
int nextChar(LineReader& reader)
{
    const int c = peekRaw(reader);
    if (c == kEndOfText) return kEndOfText;
    if (c == kCtrlZ) {
        reader.ended = true;
        reader.ctrlZ = true;
        return kEndOfText;
    }
    ++reader.chunkPos;
    if (c == '\r' && peekRaw(reader) == '\n') {
        ++reader.chunkPos;
        return '\n';
    }
    return c;
}

// The length of the run at the front of bytes that holds no line feed, carriage return or
// Ctrl-Z.
std::size_t ordinaryRun(const std::uint8_t* bytes, std::size_t size)
{
    static const int specials[] = {'\n', '\r', kCtrlZ};
    for (const int special : specials) {
        const void* hit = std::memchr(bytes, special, size);
        if (hit != nullptr) size = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - bytes);
    }
    return size;
}

void skipByteOrderMark(LineReader& reader)
{
    static const std::uint8_t bom[3] = {0xEF, 0xBB, 0xBF};
    // The whole mark must sit in the first piece; any file that starts with one does.
    if (peekRaw(reader) == kEndOfText) return;
    if (reader.chunkLen >= 3 && reader.chunk[0] == bom[0] && reader.chunk[1] == bom[1] &&
        reader.chunk[2] == bom[2]) {
        reader.chunkPos = 3;
    }
}

}  // namespace

bool openLineReader(LineReader& reader, const char* path, std::uint8_t* piece, std::size_t pieceSize)
{
    resetPosition(reader);
    reader.piece = piece;
    reader.pieceSize = pieceSize;
    errno = 0;
    reader.file = openForReading(path);
    if (reader.file == nullptr) {
        reader.error = errno != 0 ? errno : ENOENT;
        return false;
    }
    // The pieces are the buffer: a stream buffer of its own would only cost a copy.
    std::setvbuf(reader.file, nullptr, _IONBF, 0);
    return true;
}

void openBufferReader(LineReader& reader, const std::uint8_t* data, std::size_t size)
{
    resetPosition(reader);
    reader.file = nullptr;
    reader.piece = nullptr;
    reader.pieceSize = 0;
    reader.memory = data;
    reader.memorySize = size;
}

std::size_t readLine(LineReader& reader, char (&line)[kTextBufferSize])
{
    if (reader.atStart) {
        reader.atStart = false;
        skipByteOrderMark(reader);
    } else if (reader.lastReadEndedLine) {
        ++reader.physicalLine;
        reader.startColumn = 0;
    } else {
        reader.startColumn += static_cast<int>(reader.lastReadLength);
    }
    std::size_t n = 0;
    bool endedLine = false;
    while (n < kTextBufferSize - 1) {
        // Bytes that text mode passes through unchanged are taken in one go.
        if (reader.chunkPos < reader.chunkLen) {
            const std::uint8_t* from = reader.chunk + reader.chunkPos;
            std::size_t room = reader.chunkLen - reader.chunkPos;
            if (room > kTextBufferSize - 1 - n) room = kTextBufferSize - 1 - n;
            const std::size_t k = ordinaryRun(from, room);
            std::memcpy(line + n, from, k);
            n += k;
            reader.chunkPos += k;
            if (k == room) continue;
        }
        const int c = nextChar(reader);
        if (c == kEndOfText) break;
        line[n++] = static_cast<char>(c);
        if (c == '\n') {
            endedLine = true;
            break;
        }
    }
    line[n] = '\0';
    reader.lastReadEndedLine = endedLine;
    reader.lastReadLength = n;
    return n;
}

bool bytesAfterCtrlZ(LineReader& reader)
{
    if (!reader.ctrlZ) return false;
    if (reader.chunkPos + 1 < reader.chunkLen) return true;
    if (reader.file == nullptr) return false;
    return std::fgetc(reader.file) != EOF;
}

void closeLineReader(LineReader& reader)
{
    if (reader.file != nullptr) std::fclose(reader.file);
    reader.file = nullptr;
}
