#include "config/entry_parser.h"

#include <cstring>

#include "config/key_table.h"

namespace {

std::int32_t cappedValue(const char* text)
{
    const std::int32_t value = decimalValue(text);
    return value > kValueCap ? kValueCap : value;
}

// Takes the name: the character already taken plus the whole rest of the text.
void takeName(char (&name)[kTextBufferSize], char first, TextCursor& text)
{
    name[0] = first;
    takePrefix(name + 1, text, restLength(text));
}

// A marker that contradicts an earlier one refuses the entry; the marker was three characters.
bool refuse(EntryReport* report, const TextCursor& text)
{
    if (report != nullptr) report->refusedAt = static_cast<int>(text.pos) - 3;
    return false;
}

}  // namespace

bool parseKeyEntry(TextCursor& text, SequenceEntry& entry, EntryReport* report)
{
    clearEntry(entry);
    if (report != nullptr) *report = EntryReport{-1, -1};
    char one[2];
    char pair[3];
    while (!atEnd(text)) {
        takePrefix(one, text, 1);
        if (one[0] != '(') {
            if (report != nullptr) report->nameStart = static_cast<int>(text.pos) - 1;
            char name[kTextBufferSize];
            takeName(name, one[0], text);
            if (entry.isValue) {
                entry.code = cappedValue(name);
            } else {
                entry.code = lookupKeyName(name, entry.keypad != 0, entry.caseMarker != 0, entry.caseCode);
            }
            break;
        }
        takePrefix(pair, text, 2);
        if (std::strcmp(pair, "+)") == 0) {
            if (entry.minus) return refuse(report, text);
            entry.plus = 1;
        } else if (std::strcmp(pair, "-)") == 0) {
            if (entry.plus) return refuse(report, text);
            entry.minus = 1;
        } else if (std::strcmp(pair, "n)") == 0 || std::strcmp(pair, "N)") == 0) {
            entry.keypad = 1;
        } else if (std::strcmp(pair, "~)") == 0) {
            entry.caseMarker = 1;
        } else if (std::strcmp(pair, "d)") == 0 || std::strcmp(pair, "D)") == 0) {
            entry.isValue = 1;
        }
    }
    return true;
}

void parseRawEntry(TextCursor& text, SequenceEntry& entry, EntryReport* report)
{
    clearEntry(entry);
    if (report != nullptr) *report = EntryReport{-1, -1};
    char one[2];
    char pair[3];
    while (!atEnd(text)) {
        takePrefix(one, text, 1);
        if (one[0] != '(') {
            if (report != nullptr) report->nameStart = static_cast<int>(text.pos) - 1;
            char number[kTextBufferSize];
            takeName(number, one[0], text);
            entry.code = entry.isValue ? cappedValue(number) : rawValue(number);
            break;
        }
        takePrefix(pair, text, 2);
        if (std::strcmp(pair, "d)") == 0 || std::strcmp(pair, "D)") == 0) entry.isValue = 1;
    }
}

std::int32_t rawValue(const char* text)
{
    if (text[0] == '\0') return 0;
    char head[4];
    std::size_t n = 0;
    while (n < 3 && text[n] != '\0') {
        head[n] = text[n];
        ++n;
    }
    head[n] = '\0';
    if (isAllDigits(head)) return decimalValue(head);
    return static_cast<unsigned char>(head[0]);
}
