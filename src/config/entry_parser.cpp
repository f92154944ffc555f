// SPDX-License-Identifier: MIT
#include "config/entry_parser.h"

#include "config/key_table.h"

namespace {

std::int32_t cappedValue(const char* text, std::size_t length)
{
    const std::int32_t value = decimalValue(text, length);
    return value > kValueCap ? kValueCap : value;
}

// A marker rule applies one marker's two characters after its "(" (NUL where the text ended);
// false when the marker refuses the entry.
inline bool keyMarker(char first, char second, SequenceEntry& entry)
{
    if (second != ')') return true;
    switch (first) {
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
inline bool rawMarker(char first, char second, SequenceEntry& entry)
{
    if ((first == 'd' || first == 'D') && second == ')') entry.isValue = 1;
    return true;
}

enum class EntryHead { Name, OnlyMarkers, Refused };

// Clears the entry and takes the markers in front of its name; the name is the first
// character that opens no marker and the whole rest of the text, left in name.
template <typename MarkerRule>
EntryHead takeEntryHead(TextCursor& text, SequenceEntry& entry, MarkerRule rule, EntryReport* report,
                        TextCursor& name)
{
    clearEntry(entry);
    if (report != nullptr) *report = EntryReport{-1, -1};
    const char* t = text.text;
    while (text.pos < text.len) {
        const std::size_t at = text.pos;
        if (t[at] != '(') {
            if (report != nullptr) report->nameStart = static_cast<int>(at);
            name = subText(text, at, text.len - at);
            text.pos = text.len;
            return EntryHead::Name;
        }
        const char first = at + 1 < text.len ? t[at + 1] : '\0';
        const char second = at + 2 < text.len ? t[at + 2] : '\0';
        text.pos = at + 3 < text.len ? at + 3 : text.len;
        if (!rule(first, second, entry)) {
            // A refusing marker is always whole: three characters.
            if (report != nullptr) report->refusedAt = static_cast<int>(at);
            return EntryHead::Refused;
        }
    }
    return EntryHead::OnlyMarkers;
}

}  // namespace

bool parseKeyEntry(TextCursor& text, SequenceEntry& entry, EntryReport* report)
{
    TextCursor name;
    const EntryHead head = takeEntryHead(text, entry, keyMarker, report, name);
    if (head == EntryHead::Refused) return false;
    if (head == EntryHead::Name) {
        entry.code = entry.isValue ? cappedValue(name.text, name.len)
                                   : lookupKeyName(name.text, name.len, entry.keypad != 0, entry.caseMarker != 0,
                                                   entry.caseCode);
    }
    return true;
}

void parseRawEntry(TextCursor& text, SequenceEntry& entry, EntryReport* report)
{
    TextCursor number;
    if (takeEntryHead(text, entry, rawMarker, report, number) == EntryHead::Name) {
        entry.code = entry.isValue ? cappedValue(number.text, number.len) : rawValue(number.text, number.len);
    }
}

std::int32_t rawValue(const char* text, std::size_t length)
{
    if (length == 0) return 0;
    const std::size_t head = length < 3 ? length : 3;
    return isAllDigits(text, head) ? decimalValue(text, head) : static_cast<unsigned char>(text[0]);
}
