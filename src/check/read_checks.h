// SPDX-License-Identifier: MIT
// What the reader does to the bytes of a file before any statement is parsed: a NUL byte cuts
// its line, a carriage return without a line feed does not end one, a Ctrl-Z ends the text,
// and a file that is no text at all is read as text anyway.
#pragma once

#include "check/diagnostics.h"
#include "config/parse_observer.h"

struct ReadCheck {
    bool looksBinary;  // told once; then NUL bytes and lone carriage returns are not
    int crLine;        // the last physical line whose lone carriage return was told
    bool crNoted;      // the note on line ends has been given
};

void clearReadCheck(ReadCheck& check);

// Explains what happens to the bytes of one read.
void checkRead(ReadCheck& check, CheckReport& report, const LineEvent& event);

// A Ctrl-Z byte at column (0-based) of physicalLine ended the text with more bytes after it.
void checkTextEnd(CheckReport& report, int physicalLine, int column);
