// SPDX-License-Identifier: MIT
#include "check/read_checks.h"

#include <cstring>
#include <string>

namespace {

// Tab, line feed, vertical tab, form feed, carriage return and escape appear in text files.
bool isControl(unsigned char c) { return (c < 0x20 && (c < 0x09 || c > 0x0D) && c != 0x1B) || c == 0x7F; }

// The read as shown under a message: without its line feed.
std::string shownText(const char* text)
{
    std::size_t n = std::strlen(text);
    if (n > 0 && text[n - 1] == '\n') --n;
    return std::string(text, n);
}

void warnAt(CheckReport& report, const LineEvent& event, std::size_t at, const char* code, const std::string& message)
{
    addDiagnostic(report, Diagnostic{event.physicalLine, event.startColumn + static_cast<int>(at) + 1,
                                     Severity::Warning, message, shownText(event.text), static_cast<int>(at), code});
}

// A note on the warning just made.
void noteAt(CheckReport& report, const LineEvent& event, std::size_t at, const char* code, const std::string& message)
{
    addDiagnostic(report, Diagnostic{event.physicalLine, event.startColumn + static_cast<int>(at) + 1,
                                     Severity::Note, message, std::string(), 0, code, true});
}

// The first read decides: a UTF-16 byte-order mark, a NUL byte or two control characters in
// it and the file is no text file of statements.
bool firstReadLooksBinary(const LineEvent& event, std::size_t textLength, bool& utf16)
{
    const auto* text = reinterpret_cast<const unsigned char*>(event.text);
    utf16 = textLength >= 2 && ((text[0] == 0xFF && text[1] == 0xFE) || (text[0] == 0xFE && text[1] == 0xFF));
    if (utf16 || textLength < event.length) return true;
    int controls = 0;
    for (std::size_t i = 0; i < textLength; ++i) controls += isControl(text[i]) ? 1 : 0;
    return controls >= 2;
}

// Something other than line ends after position at.
bool textFollows(const char* text, std::size_t at)
{
    for (std::size_t i = at + 1; text[i] != '\0'; ++i) {
        if (text[i] != '\r' && text[i] != '\n') return true;
    }
    return false;
}

}  // namespace

void clearReadCheck(ReadCheck& check)
{
    check.looksBinary = false;
    check.crLine = 0;
    check.crNoted = false;
}

void checkRead(ReadCheck& check, CheckReport& report, const LineEvent& event)
{
    const std::size_t textLength = std::strlen(event.text);
    const bool firstRead = event.physicalLine == 1 && event.startColumn == 0;
    bool utf16 = false;
    if (firstRead && firstReadLooksBinary(event, textLength, utf16)) {
        check.looksBinary = true;
        addDiagnostic(report, Diagnostic{1, 1, Severity::Warning,
                                         utf16 ? "the file is UTF-16 text; the compiler reads bytes, so NUL bytes cut "
                                                 "every line: save the file as UTF-8"
                                               : "the file looks binary, not like text; the compiler reads it as text "
                                                 "and takes what looks like statements",
                                         std::string(), 0, utf16 ? "utf16-file" : "binary-file"});
        noteAt(report, event, 0, utf16 ? "utf16-file" : "binary-file", "NUL bytes and carriage returns in it are not reported one by one");
    }
    if (check.looksBinary) return;
    if (textLength < event.length) {
        std::size_t cut = event.length - textLength - 1;
        if (event.endedLine) --cut;
        if (cut > 0) {
            warnAt(report, event, textLength, "nul-byte",
                   "NUL byte: the compiler reads the line only up to here; the " + std::to_string(cut) +
                       (cut == 1 ? " byte after it is" : " bytes after it are") + " ignored");
        }
    }
    const char* cr = std::strchr(event.text, '\r');
    if (cr == nullptr || check.crLine == event.physicalLine) return;
    const std::size_t at = static_cast<std::size_t>(cr - event.text);
    if (!textFollows(event.text, at)) return;
    check.crLine = event.physicalLine;
    warnAt(report, event, at, "lone-carriage-return",
           "carriage return without a line feed: it ends no line, so the text after it belongs to this line");
    if (!check.crNoted) {
        check.crNoted = true;
        noteAt(report, event, at, "lone-carriage-return", "lines end with a line feed or carriage return and line feed; "
                                  "a file with carriage returns alone is one long line");
    }
}

void checkTextEnd(CheckReport& report, int physicalLine, int column)
{
    addDiagnostic(report, Diagnostic{physicalLine, column + 1, Severity::Warning,
                                     "a Ctrl-Z byte ends the text here; the compiler reads nothing after it",
                                     std::string(), 0, "ctrl-z"});
}
