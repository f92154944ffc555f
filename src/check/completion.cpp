// SPDX-License-Identifier: MIT
// Completions: key names and markers inside an entry, statements in a line's first word, option
// values after the colon. The line is run through the compiler to know where the column stands.
#include <cstring>

#include "check/assist.h"
#include "check/assist_text.h"
#include "check/line_scan.h"
#include "config/config_reader.h"
#include "config/entry_parser.h"
#include "config/key_table.h"

namespace {

bool isWordCharacter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// The "[" of the entry that column stands in, or -1: the nearest "[" before it with no "]" between.
int openEntryBefore(const LineScan& scan, int at)
{
    for (int i = at - 1; i >= 0; --i) {
        if (scan.text[i] == ']') return -1;
        if (scan.text[i] == '[') return i;
    }
    return -1;
}

void addMarkers(std::vector<Completion>& out, int from, int to)
{
    for (const char marker : {'+', '-', 'n', '~', 'd'}) {
        out.push_back(Completion{std::string("(") + marker + ")", markerMeaning(marker, false), CompletionKind::Marker,
                                 from, to});
    }
}

// Inside an entry of an input statement: its markers are parsed by the compiler's entry parser,
// which says where the name starts and whether it is a keypad name.
void entryCompletions(const LineScan& scan, int open, int at, std::vector<Completion>& out)
{
    if (!scan.statement || scan.parsed.kind < 1 || scan.parsed.kind > kInputCount || scan.parsed.sFlag) return;
    const int start = scan.startColumn;
    // A marker being written: "(", "(+".
    for (int back = 1; back <= 2 && at - back > open; ++back) {
        if (scan.text[at - back] == '(' && (back == 1 || scan.text[at - 1] != ')')) {
            addMarkers(out, start + at - back, start + at);
            return;
        }
    }
    TextCursor text{scan.text + open + 1, 0, static_cast<std::size_t>(at - open - 1)};
    SequenceEntry entry;
    EntryReport report{-1, -1};
    if (!parseKeyEntry(text, entry, &report)) return;
    const int nameStart = report.nameStart >= 0 ? open + 1 + report.nameStart : at;
    if (nameStart == at) addMarkers(out, start + at, start + at);
    const bool keypad = entry.keypad != 0;
    const KeyTable table = keypad ? keypadKeyTable() : mainKeyTable();
    for (std::size_t i = 0; i < table.count; ++i) {
        const KeyName& key = table.names[i];
        // "space" names the space key; "(" cannot be written, as a leading "(" opens a marker.
        if (std::strcmp(key.name, " ") == 0 || std::strcmp(key.name, "(") == 0) continue;
        out.push_back(Completion{key.name, keyDetail(key.number, keypad), CompletionKind::KeyName, start + nameStart, start + at});
    }
}

// The line's first word: every option statement and every statement head.
void statementCompletions(int at, std::vector<Completion>& out)
{
    for (int kind = kKindPrel; kind < kKindRot1 + 4; ++kind) {
        Statement statement{};
        statement.kind = kind;
        out.push_back(Completion{optionName(kind), optionEffect(statement), CompletionKind::Option, 0, at});
    }
    for (int input = 1; input <= kInputCount; ++input) {
        for (const bool isLong : {true, false}) {
            out.push_back(Completion{sequenceHead(input, isLong),
                                     sequenceName(input, isLong) + ", up to " +
                                         std::to_string(isLong ? kLongSlots : kShortSlots) + " entries",
                                     CompletionKind::StatementHead, 0, at});
        }
    }
}

// After an option's colon: the values with which the compiler takes the line as that option.
void valueCompletions(const LineScan& scan, int at, std::vector<Completion>& out)
{
    const char* colon = static_cast<const char*>(std::memchr(scan.text, ':', static_cast<std::size_t>(at)));
    if (colon == nullptr || colon - scan.text != at - 1) return;
    for (const char* value : {"Y", "0", "1", "2", "3"}) {
        std::string text(scan.text, static_cast<std::size_t>(at));
        text += value;
        TextCursor line;
        setText(line, text.c_str());
        Statement statement;
        if (!parseStatement(line, statement) || statement.kind < kKindPrel) continue;
        out.push_back(Completion{value, optionEffect(statement), CompletionKind::OptionValue, at, at});
    }
}

}  // namespace

std::vector<Completion> completionsAt(std::string_view line, int column)
{
    std::vector<Completion> out;
    LineScan scan;
    scanLine(line, column, scan);
    const int at = column - scan.startColumn;
    if (at < 0 || at > scan.length) return out;
    const int open = openEntryBefore(scan, at);
    if (open >= 0) {
        entryCompletions(scan, open, at, out);
        return out;
    }
    if (scan.startColumn != 0) return out;
    bool firstWord = true;
    for (int i = 0; i < at; ++i) firstWord = firstWord && isWordCharacter(scan.text[i]);
    if (firstWord) {
        statementCompletions(at, out);
    } else {
        valueCompletions(scan, at, out);
    }
    return out;
}
