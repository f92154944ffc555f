// SPDX-License-Identifier: MIT
// Explanations of an input statement's entries: unknown names and their likely spellings,
// values out of range, entries dropped or not sent because an earlier one ends the sequence.
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "check/check_state.h"
#include "check/line_scan.h"
#include "check/suggest.h"
#include "config/key_table.h"

namespace check_detail {

namespace {

std::string textBetween(const CheckState& state, std::size_t from, std::size_t to)
{
    return std::string(state.text + from, to > from ? to - from : 0);
}

std::string entryText(const CheckState& state, const EntryEvent& e)
{
    return textBetween(state, e.textColumn, e.textColumn + e.textLength);
}

std::string nameOf(const CheckState& state, const EntryEvent& e)
{
    if (e.nameColumn < 0) return std::string();
    return textBetween(state, static_cast<std::size_t>(e.nameColumn), e.textColumn + e.textLength);
}

// Index of a "(x)" group inside name after its first character, or npos.
std::size_t markerAfterName(const std::string& name)
{
    for (std::size_t i = 1; i + 2 < name.size(); ++i) {
        if (name[i] == '(' && name[i + 2] == ')') return i;
    }
    return std::string::npos;
}

// The entry with every "(x)" group of the name moved in front of it, if that names a key.
std::string withMarkersFirst(const CheckState& state, const EntryEvent& e)
{
    const std::string name = nameOf(state, e);
    std::string markers = textBetween(state, e.textColumn, static_cast<std::size_t>(e.nameColumn));
    std::string bare;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i > 0 && name[i] == '(' && i + 2 < name.size() && name[i + 2] == ')') {
            markers += name.substr(i, 3);
            i += 2;
        } else {
            bare += name[i];
        }
    }
    const std::string fixed = markers + bare;
    TextCursor cursor;
    setText(cursor, fixed.c_str());
    SequenceEntry entry;
    if (!parseKeyEntry(cursor, entry) || entry.code == 0) return std::string();
    return "[" + fixed + "]";
}

// The entry with its name replaced by the usual spelling of a common other name, if that
// names a key: "[(+)return]" gives "[(+)enter]", "[numpad7]" "[(n)7]".
std::string withSynonym(const CheckState& state, const EntryEvent& e)
{
    const std::string synonym = keySynonym(nameOf(state, e));
    if (synonym.empty()) return std::string();
    const std::string markers = textBetween(state, e.textColumn, static_cast<std::size_t>(e.nameColumn));
    const bool hasKeypad = markers.find("(n)") != std::string::npos || markers.find("(N)") != std::string::npos;
    const std::string fixed = markers + (hasKeypad && synonym.compare(0, 3, "(n)") == 0 ? synonym.substr(3) : synonym);
    TextCursor cursor;
    setText(cursor, fixed.c_str());
    SequenceEntry entry;
    if (!parseKeyEntry(cursor, entry) || entry.code == 0) return std::string();
    return "[" + fixed + "]";
}

// The column after the entry's closing "]".
std::size_t entryEnd(const EntryEvent& e) { return e.textColumn + e.textLength + 1; }

// A repair that writes the whole entry anew.
Fix entryFix(const CheckState& state, const EntryEvent& e, const std::string& entry)
{
    return fixRead(state, "Change to '" + entry + "'", e.openColumn, entryEnd(e), entry);
}

// The entry without its keypad markers, which a name off the keypad does not want.
Fix withoutKeypad(const CheckState& state, const EntryEvent& e, const std::string& name)
{
    std::string markers = textBetween(state, e.textColumn, static_cast<std::size_t>(e.nameColumn));
    for (std::size_t at; (at = markers.find("(n)")) != std::string::npos || (at = markers.find("(N)")) != std::string::npos;) {
        markers.erase(at, 3);
    }
    return entryFix(state, e, "[" + markers + name + "]");
}

void explainUnknownName(CheckState& state, const EntryRecord& record, const std::string& consequence)
{
    const EntryEvent& e = record.event;
    const std::string name = nameOf(state, e);
    const std::size_t nameColumn = static_cast<std::size_t>(e.nameColumn);
    const std::size_t marker = markerAfterName(name);
    if (marker != std::string::npos) {
        const std::string fixed = withMarkersFirst(state, e);
        std::vector<Fix> fixes;
        if (!fixed.empty()) fixes.push_back(entryFix(state, e, fixed));
        warn(state, nameColumn + marker, "marker-after-name",
             "marker '" + name.substr(marker, 3) + "' written after the name; markers come before the name, so '" +
                 name + "' is no key name; " + consequence,
             std::move(fixes));
        if (!fixed.empty()) note(state, e.openColumn, "did you mean '" + fixed + "'?");
        return;
    }
    const bool keypad = record.entry.keypad != 0;
    const std::string combination = combinationEntries(name);
    const std::string synonym = combination.empty() ? withSynonym(state, e) : std::string();
    std::vector<std::string> names;
    std::vector<Fix> fixes;
    if (!combination.empty()) {
        fixes.push_back(entryFix(state, e, combination));
    } else if (!synonym.empty()) {
        fixes.push_back(entryFix(state, e, synonym));
    } else {
        names = closestKeyNames(name, keypad ? keypadKeyTable() : mainKeyTable());
        for (const std::string& candidate : names) {
            fixes.push_back(fixRead(state, "Change to '" + candidate + "'", nameColumn, entryEnd(e) - 1, candidate));
        }
    }
    std::int32_t offPad = 0;
    if (keypad) {
        std::int32_t caseCode = 0;
        offPad = lookupKeyName(name.data(), name.size(), false, false, caseCode);
        if (offPad != 0) fixes.push_back(withoutKeypad(state, e, name));
    }
    warn(state, nameColumn, "unknown-key-name",
         std::string(keypad ? "unknown keypad key name '" : "unknown key name '") + name + "'; " + consequence,
         std::move(fixes));
    if (!combination.empty()) {
        note(state, nameColumn, "keys held together are written as entries that press, type and release: '" + combination + "'");
    } else if (!synonym.empty()) {
        note(state, nameColumn, "did you mean '" + synonym + "'?");
    } else if (!names.empty()) {
        note(state, nameColumn, "did you mean " + quotedList(names) + "?");
    }
    if (offPad != 0) {
        note(state, nameColumn, "'" + name + "' is not on the keypad; without '(n)' it is key " + std::to_string(offPad));
    }
}

bool allDigits(const std::string& text) { return !text.empty() && isAllDigits(text.c_str()); }

// A "(d)" number of digits above 250, which the compiler caps.
bool aboveValueCap(const std::string& digits)
{
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return false;
    return digits.size() - first > 3 || decimalValue(digits.c_str() + first) > kValueCap;
}

// A raw number of which only the first three digits are read.
bool rawNumberCut(const EntryRecord& record, const std::string& name)
{
    return record.event.raw && record.entry.isValue == 0 && name.size() > 3 && allDigits(name.substr(0, 3));
}

// One entry's own warning, if it has one. afterEnd: an earlier entry already ends the sequence.
void explainEntry(CheckState& state, const EntryRecord& record, bool afterEnd)
{
    const EntryEvent& e = record.event;
    const std::string consequence = afterEnd ? "it is not sent" : "it ends the sequence";
    const std::size_t at = e.nameColumn >= 0 ? static_cast<std::size_t>(e.nameColumn) : e.openColumn;
    switch (e.fault) {
    case EntryFault::None: {
        const std::string name = nameOf(state, e);
        const std::string sent = std::to_string(static_cast<std::uint32_t>(record.entry.code) & 0xFFu);
        if (record.entry.isValue && !allDigits(name)) {
            warn(state, at, "not-a-number", "value '" + name + "' is not a number; it is sent as " + sent);
        } else if (record.entry.isValue && aboveValueCap(name)) {
            warn(state, at, "value-capped", "value " + name + " is above 250, the largest value; it is sent as " + sent,
                 {fixRead(state, "Change to '" + sent + "'", at, entryEnd(e) - 1, sent)});
        } else if (rawNumberCut(record, name)) {
            warn(state, at, "raw-number-cut",
                 "raw number '" + name + "' has more than three digits; only '" + name.substr(0, 3) +
                     "' is read, which gives " + std::to_string(record.entry.code),
                 {fixRead(state, "Change to '" + name.substr(0, 3) + "'", at, entryEnd(e) - 1, name.substr(0, 3))});
        }
        return;
    }
    case EntryFault::PlusMinusRefused: {
        const std::string marker = textBetween(state, static_cast<std::size_t>(e.refusedColumn),
                                               static_cast<std::size_t>(e.refusedColumn) + 3);
        warn(state, static_cast<std::size_t>(e.refusedColumn), "plus-and-minus",
             "'" + marker + "' together with '" + (marker == "(+)" ? "(-)" : "(+)") +
                 "' in one entry: the entry '[" + entryText(state, e) + "]' is refused and dropped");
        return;
    }
    case EntryFault::NoName:
        warn(state, e.openColumn, "no-key-name", "entry without a key name gives key number 0; " + consequence,
             {fixRead(state, "Remove the entry '[" + entryText(state, e) + "]'", e.openColumn, entryEnd(e), "")});
        return;
    case EntryFault::UnknownName:
        explainUnknownName(state, record, consequence);
        return;
    case EntryFault::ValueIsZero:
        if (e.nameColumn < 0 || allDigits(nameOf(state, e))) {
            warn(state, at, "zero-value", "value entry of 0; " + consequence);
        } else {
            warn(state, at, "not-a-number", "value '" + nameOf(state, e) + "' is not a number and gives 0; " + consequence);
        }
        return;
    case EntryFault::RawIsZero:
        if (e.nameColumn < 0) {
            warn(state, e.openColumn, "zero-raw", "empty raw entry gives 0; " + consequence);
        } else {
            warn(state, at, "zero-raw", "raw value " + std::to_string(record.entry.code) + " from '" + nameOf(state, e) +
                                "' has its low seven bits 0; " + consequence);
            if (rawNumberCut(record, nameOf(state, e))) {
                note(state, at, "only the first three digits of '" + nameOf(state, e) + "' are read");
            }
        }
        return;
    case EntryFault::Unclosed:
        warn(state, e.openColumn, "unclosed-entry",
             "entry '[" + entryText(state, e) + "' has no closing ']'; it and the rest of the line are skipped",
             {fixRead(state, "Close the entry with ']'", entryEnd(e) - 1, entryEnd(e) - 1, "]")});
        return;
    case EntryFault::BeyondLimit:
        return;
    }
}

// Text between entries is skipped, a '#' in it included: entries after it are still sent.
void explainHash(CheckState& state, int end)
{
    std::size_t from = 0;
    std::size_t hash = std::string::npos;
    int sent = 0;
    std::string firstSent;
    for (int i = 0; i < state.entryCount; ++i) {
        const EntryEvent& e = state.entries[i].event;
        if (hash == std::string::npos && e.openColumn > from) {
            const void* found = std::memchr(state.text + from, '#', e.openColumn - from);
            if (found != nullptr) hash = static_cast<std::size_t>(static_cast<const char*>(found) - state.text);
        }
        if (hash != std::string::npos && e.fault == EntryFault::None && e.slot < end) {
            if (sent++ == 0) firstSent = "[" + entryText(state, e) + "]";
        }
        from = e.textColumn + e.textLength + 1;
    }
    if (sent == 0) return;
    warn(state, hash, "hash-in-statement", "'#' starts no comment after a statement: " +
                          (sent == 1 ? "the entry '" + firstSent + "' after it is sent"
                                     : "the " + std::to_string(sent) + " entries after it are sent"));
    if (!state.hashNoted) {
        state.hashNoted = true;
        note(state, hash, "a comment is a line of its own that starts with '#'");
    }
}

}  // namespace

void explainEntries(CheckState& state, const Statement& statement)
{
    const int limit = statement.isLong ? kLongSlots : kShortSlots;
    const int end = firstUnsent(statement);
    // Accepted entries after the one that ends the sequence are not sent.
    int notSent = 0;
    int firstNotSent = -1;
    for (int i = 0; i < state.entryCount; ++i) {
        const EntryRecord& r = state.entries[i];
        if (!takesSlot(r.event.fault)) continue;
        if (r.event.slot > end) {
            if (firstNotSent < 0) firstNotSent = i;
            ++notSent;
        }
    }
    explainHash(state, end);
    bool beyondTold = false;
    for (int i = 0; i < state.entryCount; ++i) {
        const EntryRecord& r = state.entries[i];
        if (r.event.fault == EntryFault::BeyondLimit) {
            if (beyondTold) continue;
            beyondTold = true;
            const int dropped = state.entryCount - i;
            std::string message = std::string("the ") + (statement.isLong ? "long" : "short") + " sequence is full (" +
                                  std::to_string(limit) + " entries); this entry";
            if (dropped > 1) message += " and the " + std::to_string(dropped - 1) + " after it";
            const EntryEvent& last = state.entries[state.entryCount - 1].event;
            warn(state, r.event.openColumn, "sequence-full", message + (dropped > 1 ? " are dropped" : " is dropped"),
                 {fixRead(state, dropped > 1 ? "Remove the dropped entries" : "Remove the dropped entry",
                          r.event.openColumn, entryEnd(last), "")});
            continue;
        }
        explainEntry(state, r, r.event.slot > end);
        const bool endsHere = r.event.fault != EntryFault::None && takesSlot(r.event.fault) && r.event.slot == end;
        if (endsHere && notSent > 0) {
            const std::size_t column = state.entries[firstNotSent].event.openColumn;
            add(state, column, Severity::Note, state.lastCode,
                notSent == 1 ? "so this entry is not sent"
                             : "so this entry and the " + std::to_string(notSent - 1) + " after it are not sent",
                true, true);
        }
    }
}

}  // namespace check_detail
