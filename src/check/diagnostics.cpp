// SPDX-License-Identifier: MIT
#include "check/diagnostics.h"

#include <cstring>
#include <utility>

#include "check/read_checks.h"
#include "check/suggest.h"
#include "config/config_reader.h"
#include "config/entry_parser.h"
#include "config/key_table.h"
#include "config/parse_observer.h"

namespace {

// A read of 255 characters holds at most 127 bracketed entries.
constexpr int kMostEntries = 128;

struct EntryRecord {
    EntryEvent event;  // its entry pointer is not kept
    SequenceEntry entry;
};

struct CheckState {
    CheckReport* report;
    ReadCheck reads;
    // The current read.
    char text[kTextBufferSize];
    int line;
    int startColumn;
    bool continuation;       // a later read of a physical line longer than 255 characters
    bool splitPending;       // the continuation holds text, to be explained once parsed
    bool splitReported;      // the physical line's split has been explained
    bool physicalIsComment;  // the physical line's first read is a comment or blank
    bool hashNoted;          // the note on where comments go has been given
    // Entries of the current input statement, in the order they were cut.
    EntryRecord entries[kMostEntries];
    int entryCount;
    // Where each sequence and the MSET field were last set.
    int sequenceLine[kInputCount][2];
    int sequenceColumn[kInputCount][2];
    std::string sequenceSource[kInputCount][2];
    int msetLine;
    int msetColumn;
    int msetValue;
    std::string msetSource;
};

// The read as shown under a message: without its line feed.
std::string sourceOf(const char* text)
{
    std::size_t n = std::strlen(text);
    if (n > 0 && text[n - 1] == '\n') --n;
    return std::string(text, n);
}

// Messages and sources are moved, not copied, into the report: a file full of findings makes
// thousands of them.
void addAt(CheckState& state, int line, int column, Severity severity, std::string message, std::string source,
           int caret)
{
    addDiagnostic(*state.report, Diagnostic{line, column, severity, std::move(message), std::move(source), caret});
}

// A message about the current read; column is an index into it.
void add(CheckState& state, std::size_t column, Severity severity, std::string message, bool withSource = true)
{
    const int caret = static_cast<int>(column);
    addAt(state, state.line, state.startColumn + caret + 1, severity, std::move(message),
          withSource ? sourceOf(state.text) : std::string(), caret);
}

void warn(CheckState& state, std::size_t column, std::string message)
{
    add(state, column, Severity::Warning, std::move(message));
}

void note(CheckState& state, std::size_t column, std::string message)
{
    add(state, column, Severity::Note, std::move(message), false);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isLineEnd(char c) { return c == '\0' || c == '\n'; }

std::size_t firstNonBlank(const char* text)
{
    std::size_t i = 0;
    while (isBlank(text[i])) ++i;
    return i;
}

bool isComment(const char* text)
{
    const char c = text[firstNonBlank(text)];
    return c == '#' || isLineEnd(c) || c == '\r';
}

// A skipped line is explained when it looks like an attempt at a statement: its first
// non-blank characters start a keyword, or it holds a bracketed entry.
bool looksLikeStatement(const char* text)
{
    if (isComment(text)) return false;
    const char* head = text + firstNonBlank(text);
    if (head[0] != '\0' && head[1] != '\0') {
        char lead[3] = {head[0], head[1], '\0'};
        toLowerAscii(lead);
        for (const char* keyword : {"in", "pr", "re", "ms", "ro"}) {
            if (sameText(lead, keyword)) return true;
        }
    }
    const char* open = std::strchr(text, '[');
    return open != nullptr && std::strchr(open + 1, ']') != nullptr;
}

std::string upper(const char* text, std::size_t n)
{
    std::string out(text, n);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// "'x'", or "the end of the line".
std::string shown(char c)
{
    if (isLineEnd(c) || c == '\r') return "the end of the line";
    return std::string("'") + c + "'";
}

// The letters at the start of text.
std::string leadingWord(const char* text)
{
    std::size_t n = 0;
    while ((text[n] >= 'a' && text[n] <= 'z') || (text[n] >= 'A' && text[n] <= 'Z')) ++n;
    return std::string(text, n);
}

void suggestKeyword(CheckState& state, const std::string& word)
{
    const std::string names = closestKeyword(word);
    if (!names.empty()) note(state, 0, "did you mean " + names + "?");
}

void explainUnknownKeyword(CheckState& state)
{
    const char* text = state.text;
    const std::size_t start = firstNonBlank(text);
    if (start > 0) {
        warn(state, 0, "statement does not start in the first column; the line is skipped");
        TextCursor rest;
        setText(rest, text + start);
        Statement statement;
        if (parseStatement(rest, statement)) note(state, start, "without the leading blanks it is a statement");
        return;
    }
    std::string word = leadingWord(text);
    if (word.empty()) {
        warn(state, 0, "the line holds an entry but starts with no statement keyword; the line is skipped");
        note(state, 0, "statements begin with IN, PREL, REVX, REVY, MSET or ROT; comments with '#'");
        return;
    }
    warn(state, 0, "'" + word + "' is no statement keyword; the line is skipped");
    suggestKeyword(state, word);
}

void explainLineFault(CheckState& state, LineFault fault, std::size_t column)
{
    const char* text = state.text;
    const char c = text[column];
    switch (fault) {
    case LineFault::None:
        return;
    case LineFault::UnknownKeyword:
        explainUnknownKeyword(state);
        return;
    case LineFault::MisspeltKeyword: {
        const std::string word = leadingWord(text);
        warn(state, 0, "unknown option '" + upper(word.c_str(), word.size()) + "'; the line is skipped");
        suggestKeyword(state, word);
        return;
    }
    case LineFault::MissingOptionColon:
        warn(state, column, "expected ':' after '" + upper(text, column) + "', found " + shown(c) +
                                "; the line is skipped");
        return;
    case LineFault::OptionValueNotY: {
        const std::string keyword = upper(text, column - 1);
        if (isLineEnd(c) || c == '\r') {
            warn(state, column, "the value 'Y' of " + keyword + " is missing; the line is skipped");
        } else {
            warn(state, column, "the only value of " + keyword + " is 'Y', not " + shown(c) +
                                     "; the line is skipped and the option stays unset");
        }
        return;
    }
    case LineFault::MsetValueNotDigit:
        warn(state, column, "MSET takes a digit 0 ... 3, found " + shown(c) + "; the line is skipped");
        return;
    case LineFault::MsetValueOutOfRange:
        warn(state, column, std::string("MSET:") + c + " is out of range (MSET:0 ... MSET:3); the line is skipped");
        return;
    case LineFault::RotNumberNotDigit:
        warn(state, column, "ROT takes a digit 1 ... 4, found " + shown(c) + "; the line is skipped");
        return;
    case LineFault::RotNumberOutOfRange:
        warn(state, column, std::string("ROT") + c + " is out of range (ROT1 ... ROT4); the line is skipped");
        return;
    case LineFault::InputNumberNotDigits: {
        const bool oneDigit = c >= '0' && c <= '9';
        if (oneDigit && c != '0' && (text[column + 1] == ':' || text[column + 1] == '|')) {
            warn(state, column, std::string("one-digit input number '") + c +
                                    "'; input numbers have two digits (01 ... 72); the line is skipped");
            note(state, column, std::string("did you mean '") + text[0] + text[1] + "0" + c + text[column + 1] + "'?");
        } else {
            warn(state, column, std::string("IN must be followed by a two-digit input number 01 ... 72, found ") +
                                    (oneDigit ? std::string("one digit") : shown(c)) +
                                    "; the line is skipped");
        }
        return;
    }
    case LineFault::InputNumberOutOfRange:
        if (isLineEnd(c)) {
            warn(state, column, "IN must be followed by a two-digit input number 01 ... 72; the line is skipped");
        } else {
            warn(state, column, "input number " + std::string(text + column, 2) +
                                    " is out of range (01 ... 72); the line is skipped");
        }
        return;
    case LineFault::MissingSequenceMark:
        if (c >= '0' && c <= '9') {
            warn(state, column, "input number has more than two digits; the line is skipped");
        } else {
            warn(state, column, "expected ':' (long sequence) or '|' (short sequence) after '" +
                                    std::string(text, column) + "', found " + shown(c) + "; the line is skipped");
        }
        return;
    case LineFault::UnknownMarker: {
        std::size_t n = 1;
        while (n < 3 && !isLineEnd(text[column + n])) ++n;
        warn(state, column, "unknown marker '" + std::string(text + column, n) +
                                "'; only <R> and <S> may follow the ':' or '|'; the line is skipped");
        return;
    }
    }
}

void onLineRead(void* context, const LineEvent& event)
{
    auto& state = *static_cast<CheckState*>(context);
    checkRead(state.reads, *state.report, event);
    std::strncpy(state.text, event.text, kTextBufferSize - 1);
    state.text[kTextBufferSize - 1] = '\0';
    state.line = event.physicalLine;
    state.startColumn = event.startColumn;
    state.continuation = event.startColumn > 0;
    state.entryCount = 0;
    if (!state.continuation) {
        state.physicalIsComment = isComment(event.text);
        state.splitReported = false;
    }
    state.splitPending = state.continuation && !isLineEnd(event.text[0]);
}

// A continuation of a long line: told once per physical line, with what became of the rest.
void explainSplit(CheckState& state, bool isStatement)
{
    if (!state.splitPending) return;
    state.splitPending = false;
    if (state.physicalIsComment && !isStatement) return;
    const std::size_t rest = sourceOf(state.text).size();
    if (!state.splitReported) {
        state.splitReported = true;
        warn(state, 0, "line is longer than 255 characters; the reader splits it here");
    }
    if (isStatement) {
        note(state, 0, "the " + std::to_string(rest) + " characters from here are read as a statement of their own");
    } else {
        note(state, 0, "the " + std::to_string(rest) + " characters from here are read as a line of their own and skipped");
    }
}

void onLineRejected(void* context, LineFault fault, std::size_t column)
{
    auto& state = *static_cast<CheckState*>(context);
    if (state.continuation) {
        explainSplit(state, false);
        return;
    }
    if (!looksLikeStatement(state.text)) return;
    explainLineFault(state, fault, column);
}

void onEntryCut(void* context, const EntryEvent& event)
{
    auto& state = *static_cast<CheckState*>(context);
    if (state.entryCount >= kMostEntries) return;
    EntryRecord& record = state.entries[state.entryCount++];
    record.event = event;
    record.event.entry = nullptr;
    record.entry = event.entry != nullptr ? *event.entry : SequenceEntry{};
}

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

void explainUnknownName(CheckState& state, const EntryRecord& record, const std::string& consequence)
{
    const EntryEvent& e = record.event;
    const std::string name = nameOf(state, e);
    const std::size_t marker = markerAfterName(name);
    if (marker != std::string::npos) {
        warn(state, static_cast<std::size_t>(e.nameColumn) + marker,
             "marker '" + name.substr(marker, 3) + "' written after the name; markers come before the name, so '" +
                 name + "' is no key name; " + consequence);
        const std::string fixed = withMarkersFirst(state, e);
        if (!fixed.empty()) note(state, e.openColumn, "did you mean '" + fixed + "'?");
        return;
    }
    const bool keypad = record.entry.keypad != 0;
    warn(state, static_cast<std::size_t>(e.nameColumn),
         std::string(keypad ? "unknown keypad key name '" : "unknown key name '") + name +
             "'; " + consequence);
    const std::string combination = combinationEntries(name);
    const std::string synonym = combination.empty() ? withSynonym(state, e) : std::string();
    if (!combination.empty()) {
        note(state, static_cast<std::size_t>(e.nameColumn),
             "keys held together are written as entries that press, type and release: '" + combination + "'");
    } else if (!synonym.empty()) {
        note(state, static_cast<std::size_t>(e.nameColumn), "did you mean '" + synonym + "'?");
    } else {
        const std::string names = closestKeyNames(name, keypad ? keypadKeyTable() : mainKeyTable());
        if (!names.empty()) note(state, static_cast<std::size_t>(e.nameColumn), "did you mean " + names + "?");
    }
    if (keypad) {
        std::int32_t caseCode = 0;
        const std::int32_t number = lookupKeyName(name.data(), name.size(), false, false, caseCode);
        if (number != 0) {
            note(state, static_cast<std::size_t>(e.nameColumn),
                 "'" + name + "' is not on the keypad; without '(n)' it is key " + std::to_string(number));
        }
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
            warn(state, at, "value '" + name + "' is not a number; it is sent as " + sent);
        } else if (record.entry.isValue && aboveValueCap(name)) {
            warn(state, at, "value " + name + " is above 250, the largest value; it is sent as " + sent);
        } else if (rawNumberCut(record, name)) {
            warn(state, at, "raw number '" + name + "' has more than three digits; only '" + name.substr(0, 3) +
                                "' is read, which gives " + std::to_string(record.entry.code));
        }
        return;
    }
    case EntryFault::PlusMinusRefused: {
        const std::string marker = textBetween(state, static_cast<std::size_t>(e.refusedColumn),
                                               static_cast<std::size_t>(e.refusedColumn) + 3);
        warn(state, static_cast<std::size_t>(e.refusedColumn),
             "'" + marker + "' together with '" + (marker == "(+)" ? "(-)" : "(+)") +
                 "' in one entry: the entry '[" + entryText(state, e) + "]' is refused and dropped");
        return;
    }
    case EntryFault::NoName:
        warn(state, e.openColumn, "entry without a key name gives key number 0; " + consequence);
        return;
    case EntryFault::UnknownName:
        explainUnknownName(state, record, consequence);
        return;
    case EntryFault::ValueIsZero:
        if (e.nameColumn < 0 || allDigits(nameOf(state, e))) {
            warn(state, at, "value entry of 0; " + consequence);
        } else {
            warn(state, at, "value '" + nameOf(state, e) + "' is not a number and gives 0; " + consequence);
        }
        return;
    case EntryFault::RawIsZero:
        if (e.nameColumn < 0) {
            warn(state, e.openColumn, "empty raw entry gives 0; " + consequence);
        } else {
            warn(state, at, "raw value " + std::to_string(record.entry.code) + " from '" + nameOf(state, e) +
                                "' has its low seven bits 0; " + consequence);
            if (rawNumberCut(record, nameOf(state, e))) {
                note(state, at, "only the first three digits of '" + nameOf(state, e) + "' are read");
            }
        }
        return;
    case EntryFault::Unclosed:
        warn(state, e.openColumn,
             "entry '[" + entryText(state, e) + "' has no closing ']'; it and the rest of the line are skipped");
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
    warn(state, hash, "'#' starts no comment after a statement: " +
                          (sent == 1 ? "the entry '" + firstSent + "' after it is sent"
                                     : "the " + std::to_string(sent) + " entries after it are sent"));
    if (!state.hashNoted) {
        state.hashNoted = true;
        note(state, hash, "a comment is a line of its own that starts with '#'");
    }
}

void explainEntries(CheckState& state, const Statement& statement)
{
    const int limit = statement.isLong ? kLongSlots : kShortSlots;
    int end = limit;  // first slot the upload does not send
    for (int s = 0; s < limit; ++s) {
        std::uint8_t first;
        std::uint8_t second;
        encodeEntry(statement.entries[s], first, second);
        if (second == 0) {
            end = s;
            break;
        }
    }
    // Accepted entries after the one that ends the sequence are not sent.
    int notSent = 0;
    int firstNotSent = -1;
    for (int i = 0; i < state.entryCount; ++i) {
        const EntryRecord& r = state.entries[i];
        if (r.event.fault == EntryFault::BeyondLimit || r.event.fault == EntryFault::PlusMinusRefused ||
            r.event.fault == EntryFault::Unclosed) {
            continue;
        }
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
            warn(state, r.event.openColumn, message + (dropped > 1 ? " are dropped" : " is dropped"));
            continue;
        }
        explainEntry(state, r, r.event.slot > end);
        const bool endsHere = r.event.fault != EntryFault::None && r.event.fault != EntryFault::PlusMinusRefused &&
                              r.event.fault != EntryFault::Unclosed && r.event.slot == end;
        if (endsHere && notSent > 0) {
            const std::size_t column = state.entries[firstNotSent].event.openColumn;
            if (notSent == 1) {
                add(state, column, Severity::Note, "so this entry is not sent");
            } else {
                add(state, column, Severity::Note,
                    "so this entry and the " + std::to_string(notSent - 1) + " after it are not sent");
            }
        }
    }
}

void rememberOverrides(CheckState& state, const Statement& statement)
{
    const int column = state.startColumn + 1;
    const std::string source = sourceOf(state.text);
    if (statement.kind >= 1 && statement.kind <= kInputCount) {
        const int input = statement.kind - 1;
        const int which = statement.isLong ? 0 : 1;
        int& earlier = state.sequenceLine[input][which];
        if (earlier > 0) {
            char number[3] = {static_cast<char>('0' + statement.kind / 10), static_cast<char>('0' + statement.kind % 10),
                              '\0'};
            add(state, 0, Severity::Note,
                std::string("this statement replaces the whole ") + (statement.isLong ? "long" : "short") +
                    " sequence of input " + number + " set on line " + std::to_string(earlier));
            addAt(state, earlier, state.sequenceColumn[input][which], Severity::Note, "the statement it replaces",
                  state.sequenceSource[input][which], 0);
        }
        earlier = state.line;
        state.sequenceColumn[input][which] = column;
        state.sequenceSource[input][which] = source;
    } else if (statement.kind >= kKindMset0 && statement.kind < kKindRot1) {
        const int value = statement.kind - kKindMset0;
        if (state.msetLine > 0) {
            add(state, 0, Severity::Note,
                "MSET:" + std::to_string(value) + " overrides MSET:" + std::to_string(state.msetValue) +
                    " set on line " + std::to_string(state.msetLine));
            addAt(state, state.msetLine, state.msetColumn, Severity::Note, "the MSET it overrides", state.msetSource, 0);
        }
        state.msetLine = state.line;
        state.msetColumn = column;
        state.msetValue = value;
        state.msetSource = source;
    }
}

void onStatementAccepted(void* context, const Statement& statement)
{
    auto& state = *static_cast<CheckState*>(context);
    if (state.continuation) explainSplit(state, true);
    if (statement.kind >= 1 && statement.kind <= kInputCount) explainEntries(state, statement);
    rememberOverrides(state, statement);
}

}  // namespace

void clearReport(CheckReport& report)
{
    report.items.clear();
    report.warnings = 0;
    report.notes = 0;
    report.omitted = 0;
}

void addDiagnostic(CheckReport& report, Diagnostic d)
{
    if (d.severity == Severity::Warning) {
        ++report.warnings;
    } else {
        ++report.notes;
    }
    if (static_cast<long long>(report.items.size()) < kMostDiagnostics) {
        report.items.push_back(std::move(d));
    } else {
        ++report.omitted;
    }
}

namespace {

void onTextEnded(void* context, int physicalLine, int column)
{
    checkTextEnd(*static_cast<CheckState*>(context)->report, physicalLine, column);
}

// Starts a report and runs compile with the diagnostics observer.
template <typename Compile>
bool checkWith(CheckReport& report, Compile compile)
{
    clearReport(report);
    // Value-initialised: every position and count starts at zero. On the stack, as its size is
    // fixed and small.
    CheckState state{};
    state.report = &report;
    clearReadCheck(state.reads);
    const ParseObserver observer{&state,      onLineRead,          onLineRejected,
                                 onEntryCut,  onStatementAccepted, onTextEnded};
    return compile(&observer);
}

}  // namespace

bool checkConfigFile(const char* path, CheckReport& report, ConfigImage& image, int* error)
{
    return checkWith(report, [&](const ParseObserver* observer) {
        return readConfigFile(path, image, observer, error);
    });
}

void checkConfigBuffer(const std::uint8_t* data, std::size_t size, CheckReport& report, ConfigImage& image)
{
    checkWith(report, [&](const ParseObserver* observer) {
        compileConfigBuffer(data, size, image, observer);
        return true;
    });
}

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
