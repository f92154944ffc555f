// SPDX-License-Identifier: MIT
// What an editor asks while a configuration is typed: completions, hover text, the outline and
// the extent of a finding. Each answer comes from the compiler and the key tables themselves, run
// over the text in question, so the editor, pylocheck and the page never disagree.
// Positions are TextPoints (diagnostics.h): a 0-based line and a 0-based byte column of the
// physical line, which the editor's side converts to its own units. A line is passed without its
// line feed; the first line without a UTF-8 byte-order mark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class CompletionKind { KeyName, Marker, Option, OptionValue, StatementHead };

struct Completion {
    std::string label;   // what is inserted, and shown
    std::string detail;  // one line: a key's number and what it types, what an option sets
    CompletionKind kind;
    int from;  // the columns [from, to) of the text it replaces
    int to;
};

// Completions at column of line: key names (and markers) inside an entry of an input statement,
// option statements and statement heads in a line's first word, option values after "PREL:" or
// "MSET:". Empty where nothing fits (a comment, a raw entry, text between entries).
std::vector<Completion> completionsAt(std::string_view line, int column);

struct Hover {
    std::string text;  // Markdown; empty when there is nothing to tell
    int from;          // the columns [from, to) it is about
    int to;
};

// On an entry: what the device receives for it (its bytes in the image) and what its markers
// mean; on a statement head: how many entries the sequence uses and sends of those it holds; on
// an option: what it sets in the image.
Hover hoverAt(std::string_view line, int column);

enum class OutlineKind { LongSequence, ShortSequence, Option };

struct OutlineItem {
    std::string name;    // "in07:", "in07|", "PREL:Y", "MSET:2"
    std::string detail;  // "long sequence of input 07, 5 of 32 entries", "replaced on line 9"
    OutlineKind kind;
    int line;    // 0-based
    int from;    // the statement's columns [from, to)
    int to;
    int headTo;  // the end of its head ("in07:", "PREL:Y")
};

// Every statement of the text, in order, as compileConfigBuffer reads it.
std::vector<OutlineItem> outlineOf(const std::uint8_t* data, std::size_t size);

// Where a finding at column of line ends: its entry, name or word (at least one character
// when the line has one there).
int findingEnd(std::string_view line, int column);

// Physical line line (0-based) of text, whose physical lines start at starts (0, then one past
// each line feed), as the calls above take it: without its line end (a CR before the LF
// included) and, the first, without a UTF-8 byte-order mark. Empty past the last line.
std::string_view physicalLine(std::string_view text, const std::vector<std::size_t>& starts, int line);
