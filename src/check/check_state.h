// SPDX-License-Identifier: MIT
// What the checker keeps while the compiler reads a file, and the calls its parts share: the
// diagnostics observer (diagnostics.cpp) hands each event to the explanations of lines
// (line_checks.cpp), entries (entry_checks.cpp) and overridden statements (override_checks.cpp).
// Internal to src/check.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "check/diagnostics.h"
#include "check/read_checks.h"
#include "config/config_reader.h"
#include "config/entry_parser.h"
#include "config/parse_observer.h"

namespace check_detail {

// A read of 255 characters holds at most 127 bracketed entries.
constexpr int kMostEntries = 128;

struct EntryRecord {
    EntryEvent event;  // its entry pointer is not kept
    SequenceEntry entry;
};

struct CheckState {
    CheckReport* report;
    ReadCheck reads;
    // The current read.
    char text[kTextBufferSize];
    int line;
    int startColumn;
    bool continuation;       // a later read of a physical line longer than 255 characters
    bool splitPending;       // the continuation holds text, to be explained once parsed
    bool splitReported;      // the physical line's split has been explained
    bool physicalIsComment;  // the physical line's first read is a comment or blank
    bool hashNoted;          // the note on where comments go has been given
    // Entries of the current input statement, in the order they were cut.
    EntryRecord entries[kMostEntries];
    int entryCount;
    // Where each sequence and the MSET field were last set.
    int sequenceLine[kInputCount][2];
    int sequenceColumn[kInputCount][2];
    std::string sequenceSource[kInputCount][2];
    int msetLine;
    int msetColumn;
    int msetValue;
    std::string msetSource;
    const char* lastCode;  // the code of the last warning, which its notes carry
};

// The read as shown under a message: without its line feed.
std::string sourceOf(const char* text);
// A message at a line and column of the file. Messages and sources are moved into the report.
void addAt(CheckState& state, int line, int column, Severity severity, const char* code, std::string message,
           std::string source, int caret, bool tied, std::vector<Fix> fixes = {});
// A message about the current read; column is an index into it.
void add(CheckState& state, std::size_t column, Severity severity, const char* code, std::string message,
         bool withSource, bool tied, std::vector<Fix> fixes = {});
// A warning with the read shown under it, and its repairs.
void warn(CheckState& state, std::size_t column, const char* code, std::string message, std::vector<Fix> fixes = {});
// A note on the warning just made, without the read.
void note(CheckState& state, std::size_t column, std::string message);
// A repair that replaces the characters [from, to) of the current read with text.
Fix fixRead(const CheckState& state, std::string title, std::size_t from, std::size_t to, std::string text);

bool isLineEnd(char c);
// A blank line or a comment.
bool isComment(const char* text);
// A skipped line is explained only when it looks like an attempt at a statement.
bool looksLikeStatement(const char* text);
// Why the compiler skipped the current read.
void explainLineFault(CheckState& state, LineFault fault, std::size_t column);
// The current read continues a physical line longer than a read; isStatement: it is read as one.
void explainSplit(CheckState& state, bool isStatement);

// The entries of an accepted input statement: dropped, ending the sequence, not sent.
void explainEntries(CheckState& state, const Statement& statement);

// A statement that replaces an earlier input sequence or MSET value.
void rememberOverrides(CheckState& state, const Statement& statement);

}  // namespace check_detail
