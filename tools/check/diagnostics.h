// Explains a configuration file: every line that looks like a statement but is skipped, every
// entry that is dropped or ends its sequence early, and statements that later ones override.
// The findings come from the compiler itself, through its ParseObserver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "config/config_image.h"

enum class Severity { Warning, Note };

struct Diagnostic {
    int line;    // 1-based physical line
    int column;  // 1-based column in the physical line
    Severity severity;
    std::string message;
    std::string source;  // the text to show under the message; empty for none
    int caret;           // 0-based position of the caret in source
};

struct CheckReport {
    std::vector<Diagnostic> items;
    int warnings;
    int notes;
};

// Compiles path into image with the diagnostics observer and fills report. False when the
// file cannot be opened or read; *error, when given, receives the system's error number.
bool checkConfigFile(const char* path, CheckReport& report, ConfigImage& image, int* error = nullptr);

// The same for bytes in memory, compiled as a file holding them would be.
void checkConfigBuffer(const std::uint8_t* data, std::size_t size, CheckReport& report, ConfigImage& image);

// Prints the report as "FILE:LINE:COLUMN: warning: MESSAGE", each followed by its source line
// and a caret under the column.
void printReport(std::FILE* out, const char* fileName, const CheckReport& report);
