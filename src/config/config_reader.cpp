// SPDX-License-Identifier: MIT
#include "config/config_reader.h"

#include <cstring>

#include "config/entry_parser.h"
#include "config/line_reader.h"

namespace {

// Takes n characters and lower-cases them.
void takeLower(char* dest, TextCursor& line, std::size_t n)
{
    takePrefix(dest, line, n);
    toLowerAscii(dest);
}

// Tells the observer, if there is one, why the line was rejected; always false.
bool reject(const ParseObserver* observer, LineFault fault, std::size_t column)
{
    if (observer != nullptr && observer->lineRejected != nullptr) {
        observer->lineRejected(observer->context, fault, column);
    }
    return false;
}

// Why an option keyword's tail word (lower-cased, taken at column at) failed to be
// spelling + ":y". Worked out only for an observer.
bool rejectOptionTail(const ParseObserver* observer, const char* word, const char* spelling, std::size_t at)
{
    if (observer == nullptr) return false;
    const std::size_t n = std::strlen(spelling);
    if (std::strncmp(word, spelling, n) != 0) return reject(observer, LineFault::MisspeltKeyword, 0);
    if (word[n] != ':') return reject(observer, LineFault::MissingOptionColon, at + n);
    return reject(observer, LineFault::OptionValueNotY, at + n + 1);
}

bool parseOptionTail(TextCursor& line, const char* lead, Statement& statement, const ParseObserver* observer)
{
    char word[5];
    std::size_t at = line.pos;
    if (sameText(lead, "pr")) {
        takeLower(word, line, 4);
        if (!sameText(word, "el:y")) return rejectOptionTail(observer, word, "el", at);
        statement.kind = kKindPrel;
        return true;
    }
    if (sameText(lead, "re")) {
        takeLower(word, line, 4);
        if (sameText(word, "vx:y")) {
            statement.kind = kKindRevx;
        } else if (sameText(word, "vy:y")) {
            statement.kind = kKindRevy;
        } else {
            return rejectOptionTail(observer, word, word[1] == 'y' ? "vy" : "vx", at);
        }
        return true;
    }
    if (sameText(lead, "ms")) {
        takeLower(word, line, 3);
        if (!sameText(word, "et:")) return rejectOptionTail(observer, word, "et", at);
        at = line.pos;
        takePrefix(word, line, 1);
        if (!isAllDigits(word)) return reject(observer, LineFault::MsetValueNotDigit, at);
        const std::int32_t n = decimalValue(word);
        if (n > 3) return reject(observer, LineFault::MsetValueOutOfRange, at);
        statement.kind = kKindMset0 + n;
        return true;
    }
    // "ro"
    takeLower(word, line, 1);
    if (!sameText(word, "t")) return reject(observer, LineFault::MisspeltKeyword, 0);
    at = line.pos;
    takePrefix(word, line, 1);
    if (!isAllDigits(word)) return reject(observer, LineFault::RotNumberNotDigit, at);
    const std::int32_t n = decimalValue(word);
    if (n < 1 || n > 4) return reject(observer, LineFault::RotNumberOutOfRange, at);
    at = line.pos;
    takeLower(word, line, 2);
    if (!sameText(word, ":y")) return rejectOptionTail(observer, word, "", at);
    statement.kind = kKindRot1 - 1 + n;
    return true;
}

enum class Cut { Entry, NoMore, Unclosed };

// Cuts the next bracketed entry of the line into entryText, skipping any text before its
// "[". The entry's text runs from after the "[" to the last "]" that comes before the first
// "[" following its first "]", so "]" and "[" can be entries. openColumn receives the "[";
// a "[" with no "]" after it drops the rest of the line.
Cut cutNextEntry(TextCursor& line, TextCursor& entryText, std::size_t& openColumn)
{
    const char* text = line.text;
    const std::size_t length = line.len;
    // Entries are short and usually packed together: a library search would cost more than it saves.
    std::size_t open = line.pos;
    while (open < length && text[open] != '[') ++open;
    if (open == length) {
        dropRest(line);
        return Cut::NoMore;
    }
    openColumn = open;
    const std::size_t from = open + 1;
    std::size_t last = from;
    while (last < length && text[last] != ']') ++last;
    if (last == length) {
        dropRest(line);
        return Cut::Unclosed;
    }
    std::size_t next = last + 1;
    for (; next < length && text[next] != '['; ++next) {
        if (text[next] == ']') last = next;
    }
    entryText = subText(line, from, last - from);
    line.pos = next;
    return Cut::Entry;
}

EntryFault entryFault(const SequenceEntry& entry, bool accepted, bool raw, const EntryReport& report)
{
    if (!accepted) return EntryFault::PlusMinusRefused;
    std::uint8_t first;
    std::uint8_t second;
    encodeEntry(entry, first, second);
    if (second != 0) return EntryFault::None;
    if (entry.isValue) return EntryFault::ValueIsZero;
    if (raw) return EntryFault::RawIsZero;
    return report.nameStart < 0 ? EntryFault::NoName : EntryFault::UnknownName;
}

void reportEntry(const ParseObserver* observer, int slot, std::size_t openColumn, const TextCursor& entryText,
                 bool raw, const SequenceEntry* entry, EntryFault fault, const EntryReport& report)
{
    if (observer->entryCut == nullptr) return;
    const std::size_t textColumn = openColumn + 1;
    EntryEvent event;
    event.slot = slot;
    event.openColumn = openColumn;
    event.textColumn = textColumn;
    event.textLength = entryText.len;
    event.nameColumn = report.nameStart < 0 ? -1 : static_cast<int>(textColumn) + report.nameStart;
    event.refusedColumn = report.refusedAt < 0 ? -1 : static_cast<int>(textColumn) + report.refusedAt;
    event.raw = raw;
    event.entry = entry;
    event.fault = fault;
    observer->entryCut(observer->context, event);
}

// Cuts the rest of an input statement into bracketed entries and parses each.
void cutEntries(TextCursor& line, Statement& statement, const ParseObserver* observer)
{
    const int limit = statement.isLong ? kLongSlots : kShortSlots;
    int slot = 0;
    TextCursor entryText{line.text, 0, 0};
    std::size_t openColumn = 0;
    EntryReport report{-1, -1};
    EntryReport* wanted = observer != nullptr ? &report : nullptr;
    Cut cut = Cut::NoMore;
    while (slot < limit && (cut = cutNextEntry(line, entryText, openColumn)) == Cut::Entry) {
        SequenceEntry& entry = statement.entries[slot];
        bool accepted = true;
        if (statement.sFlag) {
            parseRawEntry(entryText, entry, wanted);
        } else {
            accepted = parseKeyEntry(entryText, entry, wanted);
        }
        if (observer != nullptr) {
            const bool raw = statement.sFlag != 0;
            reportEntry(observer, slot, openColumn, entryText, raw, &entry, entryFault(entry, accepted, raw, report),
                        report);
        }
        if (accepted) ++slot;
    }
    // The rest of a full sequence is ignored; an observer still hears of every entry in it.
    if (observer == nullptr) return;
    const EntryReport none{-1, -1};
    if (cut == Cut::Unclosed) {
        // The text from the "[" to the end of the line, its line feed aside.
        std::size_t length = line.len - openColumn - 1;
        if (length > 0 && line.text[line.len - 1] == '\n') --length;
        entryText = subText(line, openColumn + 1, length);
        reportEntry(observer, slot, openColumn, entryText, statement.sFlag != 0, nullptr, EntryFault::Unclosed, none);
        return;
    }
    while (cutNextEntry(line, entryText, openColumn) == Cut::Entry) {
        reportEntry(observer, slot, openColumn, entryText, statement.sFlag != 0, nullptr, EntryFault::BeyondLimit,
                    none);
    }
}

bool parseInputStatement(TextCursor& line, Statement& statement, const ParseObserver* observer)
{
    char word[4];
    std::size_t at = line.pos;
    takePrefix(word, line, 2);
    if (!isAllDigits(word)) return reject(observer, LineFault::InputNumberNotDigits, at);
    const std::int32_t n = decimalValue(word);
    if (n < 1 || n > kInputCount) return reject(observer, LineFault::InputNumberOutOfRange, at);
    statement.kind = n;
    at = line.pos;
    takePrefix(word, line, 1);
    if (sameText(word, ":")) {
        statement.isLong = 1;
    } else if (sameText(word, "|")) {
        statement.isLong = 0;
    } else {
        return reject(observer, LineFault::MissingSequenceMark, at);
    }
    for (int marker = 0; marker < 2 && !atEnd(line) && restOf(line)[0] == '<'; ++marker) {
        at = line.pos;
        takePrefix(word, line, 3);
        if (sameText(word, "<R>") || sameText(word, "<r>")) {
            statement.rFlag = 1;
        } else if (sameText(word, "<S>") || sameText(word, "<s>")) {
            statement.sFlag = 1;
        } else {
            return reject(observer, LineFault::UnknownMarker, at);
        }
    }
    cutEntries(line, statement, observer);
    return true;
}

bool parseStatementBody(TextCursor& line, Statement& statement, const ParseObserver* observer)
{
    clearStatement(statement);
    char lead[3];
    takeLower(lead, line, 2);
    if (sameText(lead, "in")) return parseInputStatement(line, statement, observer);
    if (sameText(lead, "pr") || sameText(lead, "re") || sameText(lead, "ms") ||
        sameText(lead, "ro")) {
        return parseOptionTail(line, lead, statement, observer);
    }
    return reject(observer, LineFault::UnknownKeyword, 0);
}

void writeSequence(const Statement& statement, ConfigImage& image)
{
    const std::size_t base = sequenceOffset(statement.kind, statement.isLong != 0);
    const int limit = statement.isLong ? kLongSlots : kShortSlots;
    for (int s = 0; s < limit; ++s) {
        encodeEntry(statement.entries[s], image.bytes[base + 2 * static_cast<std::size_t>(s)],
                    image.bytes[base + 2 * static_cast<std::size_t>(s) + 1]);
    }
    if (statement.rFlag) image.bytes[base] |= kSequenceRFlag;
    if (statement.sFlag) image.bytes[base] |= kSequenceSFlag;
}

}  // namespace

void encodeEntry(const SequenceEntry& e, std::uint8_t& first, std::uint8_t& second)
{
    if (e.isValue) {
        first = kEntryValue;
        second = static_cast<std::uint8_t>(static_cast<std::uint32_t>(e.code) & 0xFFu);
        return;
    }
    first = 0;
    if (e.minus) first |= kEntryMinus;
    if (e.plus) first |= kEntryPlus;
    first |= static_cast<std::uint8_t>(static_cast<std::uint32_t>(e.caseCode) & 0xFFu);
    if (e.code > 127) first |= kEntryShifted;
    second = static_cast<std::uint8_t>(static_cast<std::uint32_t>(e.code) & 0x7Fu);
}

bool parseStatement(TextCursor& line, Statement& statement, const ParseObserver* observer)
{
    const bool accepted = parseStatementBody(line, statement, observer);
    if (accepted && observer != nullptr && observer->statementAccepted != nullptr) {
        observer->statementAccepted(observer->context, statement);
    }
    return accepted;
}

void applyStatement(const Statement& statement, ConfigImage& image)
{
    const int kind = statement.kind;
    if (kind >= 1 && kind <= kInputCount) {
        writeSequence(statement, image);
    } else if (kind == kKindPrel) {
        setOptionBit(image, 1, kOptionPrel);
    } else if (kind == kKindRevx) {
        setOptionBit(image, 1, kOptionRevx);
    } else if (kind == kKindRevy) {
        setOptionBit(image, 1, kOptionRevy);
    } else if (kind >= kKindMset0 && kind < kKindRot1) {
        setMsetField(image, kind - kKindMset0);
    } else if (kind >= kKindRot1 && kind < kKindRot1 + 4) {
        setOptionBit(image, 0, static_cast<std::uint8_t>(1u << (kind - kKindRot1)));
    }
}

void compileLine(const char* text, ConfigImage& image, const ParseObserver* observer)
{
    TextCursor line;
    setText(line, text);
    Statement statement;
    if (parseStatement(line, statement, observer)) applyStatement(statement, image);
}

namespace {

// Compiles every line the reader delivers. False when a read failed: the image is then
// cleared, so that part of a file is never taken for the whole.
bool compileLines(LineReader& reader, ConfigImage& image, const ParseObserver* observer)
{
    char text[kTextBufferSize];
    std::size_t length;
    while ((length = readLine(reader, text)) > 0) {
        if (observer != nullptr && observer->lineRead != nullptr) {
            const LineEvent event{text, length, reader.physicalLine, reader.startColumn, reader.lastReadEndedLine};
            observer->lineRead(observer->context, event);
        }
        compileLine(text, image, observer);
    }
    if (reader.error != 0) {
        clearImage(image);
        return false;
    }
    // The reader now stands where the Ctrl-Z was.
    if (observer != nullptr && observer->textEnded != nullptr && bytesAfterCtrlZ(reader)) {
        observer->textEnded(observer->context, reader.physicalLine, reader.startColumn);
    }
    return true;
}

}  // namespace

bool readConfigFile(const char* path, ConfigImage& image, const ParseObserver* observer, int* error)
{
    clearImage(image);
    std::uint8_t piece[kFilePieceSize];
    LineReader reader;
    bool read = openLineReader(reader, path, piece, sizeof piece) && compileLines(reader, image, observer);
    closeLineReader(reader);
    if (error != nullptr) *error = read ? 0 : reader.error;
    return read;
}

void compileConfigBuffer(const std::uint8_t* data, std::size_t size, ConfigImage& image,
                         const ParseObserver* observer)
{
    clearImage(image);
    LineReader reader;
    openBufferReader(reader, data, size);
    compileLines(reader, image, observer);
}
