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

// Applies one marker's two characters after its "("; false when the marker refuses the entry.
using MarkerRule = bool (*)(const char* pair, SequenceEntry& entry);

bool keyMarker(const char* pair, SequenceEntry& entry)
{
    if (pair[0] == '\0' || pair[1] != ')' ) return true;
    switch (pair[0]) {
    case '+':
        if (entry.minus) return false;
        entry.plus = 1;
        break;
    case '-':
        if (entry.plus) return false;
        entry.minus = 1;
        break;
    case 'n':
    case 'N':
        entry.keypad = 1;
        break;
    case '~':
        entry.caseMarker = 1;
        break;
    case 'd':
    case 'D':
        entry.isValue = 1;
        break;
    default:
        break;
    }
    return true;
}

// A raw entry knows only the value marker.
bool rawMarker(const char* pair, SequenceEntry& entry)
{
    if ((pair[0] == 'd' || pair[0] == 'D') && pair[1] == ')') entry.isValue = 1;
    return true;
}

enum class EntryHead { Name, OnlyMarkers, Refused };

// Clears the entry and takes the markers in front of its name, then the name (the first
// character that opens no marker and the whole rest of the text).
EntryHead takeEntryHead(TextCursor& text, SequenceEntry& entry, MarkerRule rule, EntryReport* report,
                        char (&name)[kTextBufferSize])
{
    clearEntry(entry);
    if (report != nullptr) *report = EntryReport{-1, -1};
    char one[2];
    char pair[3];
    while (!atEnd(text)) {
        takePrefix(one, text, 1);
        if (one[0] != '(') {
            if (report != nullptr) report->nameStart = static_cast<int>(text.pos) - 1;
            takeName(name, one[0], text);
            return EntryHead::Name;
        }
        takePrefix(pair, text, 2);
        if (!rule(pair, entry)) {
            // A refusing marker is always whole: three characters.
            if (report != nullptr) report->refusedAt = static_cast<int>(text.pos) - 3;
            return EntryHead::Refused;
        }
    }
    return EntryHead::OnlyMarkers;
}

}  // namespace

bool parseKeyEntry(TextCursor& text, SequenceEntry& entry, EntryReport* report)
{
    char name[kTextBufferSize];
    const EntryHead head = takeEntryHead(text, entry, keyMarker, report, name);
    if (head == EntryHead::Refused) return false;
    if (head == EntryHead::Name) {
        entry.code = entry.isValue ? cappedValue(name)
                                   : lookupKeyName(name, entry.keypad != 0, entry.caseMarker != 0, entry.caseCode);
    }
    return true;
}

void parseRawEntry(TextCursor& text, SequenceEntry& entry, EntryReport* report)
{
    char number[kTextBufferSize];
    if (takeEntryHead(text, entry, rawMarker, report, number) == EntryHead::Name) {
        entry.code = entry.isValue ? cappedValue(number) : rawValue(number);
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
