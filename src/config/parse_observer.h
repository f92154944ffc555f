// SPDX-License-Identifier: MIT
// Optional hooks through which the compiler tells why it skipped a line or cut a sequence
// short. The compiler itself never prints; a checker passes a ParseObserver to hear about
// every read, every rejected line and every entry, with positions. Without an observer
// (nullptr, the normal case) nothing is reported and nothing is computed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/statement.h"

// Why a line is not a statement. Columns are 0-based indexes into the line as read.
enum class LineFault : std::uint8_t {
    None,
    UnknownKeyword,         // the first two characters start no keyword (leading blanks included)
    MisspeltKeyword,        // PREL, REVX, REVY, MSET or ROT is not spelt out
    MissingOptionColon,     // the option keyword is not followed by ":"
    OptionValueNotY,        // PREL, REVX, REVY and ROTn take only "Y"
    MsetValueNotDigit,      // "MSET:" is not followed by a digit
    MsetValueOutOfRange,    // "MSET:" followed by 4 ... 9
    RotNumberNotDigit,      // "ROT" is not followed by a digit
    RotNumberOutOfRange,    // ROT0, ROT5 ... ROT9
    InputNumberNotDigits,   // "IN" is not followed by two digits
    InputNumberOutOfRange,  // IN00, IN73 ... IN99
    MissingSequenceMark,    // the input number is not followed by ":" or "|"
    UnknownMarker,          // a "<" group after ":" or "|" is neither <R> nor <S>
};

// What became of one bracketed entry of an input statement.
enum class EntryFault : std::uint8_t {
    None,              // the entry fills its slot and is sent (unless an earlier one ends the sequence)
    PlusMinusRefused,  // "(+)" together with "(-)": the entry takes no slot
    NoName,            // only markers, or nothing, between the brackets: key number 0
    UnknownName,       // the key tables lack the name: key number 0
    ValueIsZero,       // a "(d)" value whose low eight bits are 0
    RawIsZero,         // a raw value whose low seven bits are 0
    BeyondLimit,       // the sequence already holds 32 (16) entries: the entry is dropped
    Unclosed,          // a "[" with no "]" after it: the rest of the line is dropped
};

// One read of the line reader.
struct LineEvent {
    const char* text;         // the read, NUL-terminated (a NUL byte in the file ends it early)
    std::size_t length;       // bytes read, line feed included
    int physicalLine;         // 1-based
    int startColumn;          // 0-based column of the read in its physical line
    bool endedLine;           // the read ended with its line feed
};

// One entry cut from an input statement. Columns are 0-based indexes into the line as read.
struct EntryEvent {
    int slot;                    // slot it went to (or would have gone to)
    std::size_t openColumn;      // the "["
    std::size_t textColumn;      // first character of the entry's text
    std::size_t textLength;      // length of the text between the brackets
    int nameColumn;              // first character of the name or number, -1 when there is none
    int refusedColumn;           // the "(" of the refused marker, -1 when not refused
    bool raw;                    // parsed as a raw entry (S flag)
    const SequenceEntry* entry;  // the parsed entry; nullptr for BeyondLimit and Unclosed
    EntryFault fault;
};

struct ParseObserver {
    void* context;
    // Every callback may be nullptr.
    void (*lineRead)(void* context, const LineEvent& event);
    void (*lineRejected)(void* context, LineFault fault, std::size_t column);
    void (*entryCut)(void* context, const EntryEvent& event);
    // Called with a statement that parsed, before it is applied to the image.
    void (*statementAccepted)(void* context, const Statement& statement);
    // A Ctrl-Z byte ended the text at this 1-based line and 0-based column, and more bytes
    // follow it (they are not compiled).
    void (*textEnded)(void* context, int physicalLine, int column);
};

// Where the entry parser found the parts of an entry; indexes into the entry's text.
struct EntryReport {
    int nameStart;  // -1 when the entry has no name or number
    int refusedAt;  // the "(" of the refused marker; -1 when the entry was accepted
};
