#include "config/line_reader.h"

namespace {

constexpr int kEndOfText = -1;
constexpr unsigned char kCtrlZ = 0x1A;

bool fill(LineReader& reader)
{
    if (reader.ended) return false;
    reader.bufferLen = std::fread(reader.buffer, 1, sizeof reader.buffer, reader.file);
    reader.bufferPos = 0;
    if (reader.bufferLen == 0) {
        reader.ended = true;
        return false;
    }
    return true;
}

int peekRaw(LineReader& reader)
{
    if (reader.bufferPos >= reader.bufferLen && !fill(reader)) return kEndOfText;
    return reader.buffer[reader.bufferPos];
}

// One character of the file as text mode delivers it.
int nextChar(LineReader& reader)
{
    const int c = peekRaw(reader);
    if (c == kEndOfText) return kEndOfText;
    if (c == kCtrlZ) {
        reader.ended = true;
        return kEndOfText;
    }
    ++reader.bufferPos;
    if (c == '\r' && peekRaw(reader) == '\n') {
        ++reader.bufferPos;
        return '\n';
    }
    return c;
}

void skipByteOrderMark(LineReader& reader)
{
    static const unsigned char bom[3] = {0xEF, 0xBB, 0xBF};
    // The whole mark must sit in the first buffer fill; any file that starts with one does.
    if (peekRaw(reader) == kEndOfText) return;
    if (reader.bufferLen >= 3 && reader.buffer[0] == bom[0] && reader.buffer[1] == bom[1] &&
        reader.buffer[2] == bom[2]) {
        reader.bufferPos = 3;
    }
}

}  // namespace

bool openLineReader(LineReader& reader, const char* path)
{
    reader.file = std::fopen(path, "rb");
    reader.bufferPos = 0;
    reader.bufferLen = 0;
    reader.ended = false;
    reader.atStartOfFile = true;
    reader.physicalLine = 1;
    reader.startColumn = 0;
    reader.lastReadEndedLine = false;
    reader.lastReadLength = 0;
    return reader.file != nullptr;
}

std::size_t readLine(LineReader& reader, char (&line)[kTextBufferSize])
{
    if (reader.atStartOfFile) {
        reader.atStartOfFile = false;
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

void closeLineReader(LineReader& reader)
{
    if (reader.file != nullptr) std::fclose(reader.file);
    reader.file = nullptr;
}
