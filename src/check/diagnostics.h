// SPDX-License-Identifier: MIT
// Explains a configuration file: every line that looks like a statement but is skipped, every
// entry that is dropped or ends its sequence early, statements that later ones override, and
// what the reader does to the bytes (NUL bytes, lone carriage returns, an early Ctrl-Z).
// The findings come from the compiler itself, through its ParseObserver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "config/config_image.h"

enum class Severity { Warning, Note };

// A place in the text as editors count it: 0-based line and 0-based byte column of the
// physical line (a UTF-8 byte-order mark before line 0 not counted).
struct TextPoint {
    int line;
    int column;
};

// Replaces the text from from up to to with text.
struct TextEdit {
    TextPoint from;
    TextPoint to;
    std::string text;
};

// A mechanical repair of a finding: what an editor offers to do about it.
struct Fix {
    std::string title;
    std::vector<TextEdit> edits;
};

struct Diagnostic {
    int line;    // 1-based physical line
    int column;  // 1-based column in the physical line
    Severity severity;
    std::string message;
    std::string source;  // the text to show under the message; empty for none
    int caret;           // 0-based position of the caret in source
    // The kind of finding, a name that stays ("unknown-key-name"); a note that belongs to a
    // warning carries the warning's.
    const char* code = "";
    bool tied = false;      // a note that belongs to the finding before it
    std::vector<Fix> fixes{};  // the repairs, the likeliest first; most findings have none
};

// A report keeps the first kMostDiagnostics findings and counts the rest, so that its memory
// stays bounded however large the file.
constexpr long long kMostDiagnostics = 1000;

struct CheckReport {
    std::vector<Diagnostic> items;  // the first kMostDiagnostics findings
    long long warnings;             // all warnings, kept or not
    long long notes;                // all notes, kept or not
    long long omitted;              // findings beyond the first kMostDiagnostics
};

void clearReport(CheckReport& report);

// Counts d and keeps it while the report holds fewer than kMostDiagnostics findings.
void addDiagnostic(CheckReport& report, Diagnostic d);

// Compiles path into image with the diagnostics observer and fills report. False when the
// file cannot be opened or read; *error, when given, receives the system's error number.
bool checkConfigFile(const char* path, CheckReport& report, ConfigImage& image, int* error = nullptr);

// The same for bytes in memory, compiled as a file holding them would be.
void checkConfigBuffer(const std::uint8_t* data, std::size_t size, CheckReport& report, ConfigImage& image);

// Prints the report as "FILE:LINE:COLUMN: warning: MESSAGE", each followed by its source line
// and a caret under the column, then one line with the number of findings not shown.
void printReport(std::FILE* out, const char* fileName, const CheckReport& report);
