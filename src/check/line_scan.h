// SPDX-License-Identifier: MIT
// One physical line run through the compiler, for the editor help of assist.h: the read that
// holds a column, whether it is a statement, and its entries as the compiler cut them; and
// where a statement's sequence ends in the upload, which the checker tells as well.
// Internal to src/check.
#pragma once

#include <string_view>
#include <vector>

#include "config/parse_observer.h"
#include "config/statement.h"
#include "config/text.h"

struct ScannedEntry {
    EntryEvent event;  // its entry pointer is not kept
    SequenceEntry entry;
};

struct LineScan {
    char text[kTextBufferSize];  // the read, NUL-terminated, its line feed dropped
    int length;                  // of text
    int startColumn;             // of the read in its physical line
    bool statement;              // the read is a statement
    Statement parsed;            // and this one
    int used;                    // an input statement's entries that take a slot
    int end;                     // its first slot that is not sent
    std::vector<ScannedEntry> entries;
};

// Compiles line (without its line feed) as a line of a file past its first, and keeps the read
// that holds column (the last read when column is past the end).
void scanLine(std::string_view line, int column, LineScan& scan);

// The first slot of an input statement that the upload does not send: the first stored as 0.
int firstUnsent(const Statement& statement);

// Whether an entry fills a slot of its sequence: all but a refused, a dropped and an unclosed one.
bool takesSlot(EntryFault fault);

// The length of a read, its line feed aside.
int readLength(const LineEvent& event);
