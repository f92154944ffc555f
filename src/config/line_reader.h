// Reads a configuration file line by line the way a text-mode stream does on every
// platform: a carriage return directly before a line feed is dropped, a Ctrl-Z byte ends
// the file, and a line is read with a 256-byte limit, so a longer physical line arrives in
// several reads. A UTF-8 byte-order mark at the very start of the file is skipped.
#pragma once

#include <cstddef>
#include <cstdio>

#include "config/text.h"

struct LineReader {
    std::FILE* file;
    unsigned char buffer[4096];
    std::size_t bufferPos;
    std::size_t bufferLen;
    bool ended;         // end of file, Ctrl-Z or a read error
    bool atStartOfFile;
    // Where the last read began: 1-based physical line and 0-based column (non-zero for the
    // continuation of a line longer than 255 characters).
    int physicalLine;
    int startColumn;
    bool lastReadEndedLine;  // the last read ended with its line feed
    std::size_t lastReadLength;
};

bool openLineReader(LineReader& reader, const char* path);

// Reads the next line (at most 255 characters, its line feed kept when it fits) into line,
// NUL-terminated; returns the number of bytes read, or 0 at the end of the file.
std::size_t readLine(LineReader& reader, char (&line)[kTextBufferSize]);

void closeLineReader(LineReader& reader);
