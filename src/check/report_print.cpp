// SPDX-License-Identifier: MIT
// The report as pylocheck prints it: FILE:LINE:COLUMN: SEVERITY: MESSAGE, the source line and
// a caret, then how many findings are not shown.
#include <cstdio>

#include "check/diagnostics.h"
#include "config/config_reader.h"

namespace {

// A line or column number, without the cost of formatting (a report can hold a thousand).
void putNumber(std::FILE* out, long long n)
{
    char digits[24];
    std::size_t at = sizeof digits;
    digits[--at] = '\0';
    unsigned long long rest = n < 0 ? 0ull - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
    do {
        digits[--at] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (n < 0) digits[--at] = '-';
    std::fputs(digits + at, out);
}

}  // namespace

void printReport(std::FILE* out, const char* fileName, const CheckReport& report)
{
    // Sources are parts of reads, so they fit the read's buffer with no allocation per finding.
    char source[kTextBufferSize];
    char caret[kTextBufferSize];
    for (const Diagnostic& d : report.items) {
        // FILE:LINE:COLUMN: warning: MESSAGE
        std::fputs(fileName, out);
        std::fputc(':', out);
        putNumber(out, d.line);
        std::fputc(':', out);
        putNumber(out, d.column);
        std::fputs(d.severity == Severity::Warning ? ": warning: " : ": note: ", out);
        std::fputs(d.message.c_str(), out);
        std::fputc('\n', out);
        if (d.source.empty()) continue;
        // Control bytes would move the terminal's cursor: each shows as one '?'. Tabs are kept
        // so the caret lines up however the terminal sets its tab stops.
        const std::size_t n = d.source.size() < kTextBufferSize ? d.source.size() : kTextBufferSize - 1;
        std::size_t width = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(d.source[i]);
            source[i] = (c < 0x20 && c != '\t') || c == 0x7F ? '?' : static_cast<char>(c);
            if (static_cast<int>(i) < d.caret) caret[width++] = c == '\t' ? '\t' : ' ';
        }
        source[n] = '\0';
        caret[width] = '\0';
        std::fputs(source, out);
        std::fputc('\n', out);
        std::fputs(caret, out);
        std::fputs("^\n", out);
    }
    if (report.omitted > 0) {
        std::fputs(fileName, out);
        std::fputs(": ", out);
        putNumber(out, report.omitted);
        std::fputs(" more warnings and notes are not shown\n", out);
    }
}
