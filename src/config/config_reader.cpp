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

bool parseOptionTail(TextCursor& line, const char* lead, Statement& statement)
{
    char word[5];
    if (std::strcmp(lead, "pr") == 0) {
        takeLower(word, line, 4);
        if (std::strcmp(word, "el:y") != 0) return false;
        statement.kind = kKindPrel;
        return true;
    }
    if (std::strcmp(lead, "re") == 0) {
        takeLower(word, line, 4);
        if (std::strcmp(word, "vx:y") == 0) {
            statement.kind = kKindRevx;
        } else if (std::strcmp(word, "vy:y") == 0) {
            statement.kind = kKindRevy;
        } else {
            return false;
        }
        return true;
    }
    if (std::strcmp(lead, "ms") == 0) {
        takeLower(word, line, 3);
        if (std::strcmp(word, "et:") != 0) return false;
        takePrefix(word, line, 1);
        if (!isAllDigits(word)) return false;
        const std::int32_t n = decimalValue(word);
        if (n > 3) return false;
        statement.kind = kKindMset0 + n;
        return true;
    }
    // "ro"
    takeLower(word, line, 1);
    if (std::strcmp(word, "t") != 0) return false;
    takePrefix(word, line, 1);
    if (!isAllDigits(word)) return false;
    const std::int32_t n = decimalValue(word);
    if (n < 1 || n > 4) return false;
    takeLower(word, line, 2);
    if (std::strcmp(word, ":y") != 0) return false;
    statement.kind = kKindRot1 - 1 + n;
    return true;
}

// Cuts the rest of an input statement into bracketed entries and parses each.
void cutEntries(TextCursor& line, Statement& statement)
{
    const int limit = statement.isLong ? kLongSlots : kShortSlots;
    int slot = 0;
    char one[2];
    TextCursor entryText;
    while (!atEnd(line) && slot < limit) {
        takePrefix(one, line, 1);
        if (one[0] != '[') continue;
        const char* rest = restOf(line);
        int c = findChar(rest, ']', 0);
        if (c < 0) {
            dropRest(line);
            break;
        }
        int d = findChar(rest, '[', c);
        if (d < 0) d = static_cast<int>(restLength(line));
        // Widen to the last "]" before the next "[", so "]" and "[" can be entries.
        int e = c;
        while (c < d && e < d) {
            e = findChar(rest, ']', c + 1);
            if (e < 0) break;
            if (e < d) c = e;
        }
        takePrefix(entryText.text, line, static_cast<std::size_t>(c));
        entryText.pos = 0;
        entryText.len = static_cast<std::size_t>(c);
        SequenceEntry& entry = statement.entries[slot];
        if (statement.sFlag) {
            parseRawEntry(entryText, entry);
            ++slot;
        } else if (parseKeyEntry(entryText, entry)) {
            ++slot;
        }
    }
}

bool parseInputStatement(TextCursor& line, Statement& statement)
{
    char word[4];
    takePrefix(word, line, 2);
    if (!isAllDigits(word)) return false;
    const std::int32_t n = decimalValue(word);
    if (n < 1 || n > kInputCount) return false;
    statement.kind = n;
    takePrefix(word, line, 1);
    if (std::strcmp(word, ":") == 0) {
        statement.isLong = 1;
    } else if (std::strcmp(word, "|") == 0) {
        statement.isLong = 0;
    } else {
        return false;
    }
    for (int marker = 0; marker < 2 && !atEnd(line) && restOf(line)[0] == '<'; ++marker) {
        takePrefix(word, line, 3);
        if (std::strcmp(word, "<R>") == 0 || std::strcmp(word, "<r>") == 0) {
            statement.rFlag = 1;
        } else if (std::strcmp(word, "<S>") == 0 || std::strcmp(word, "<s>") == 0) {
            statement.sFlag = 1;
        } else {
            return false;
        }
    }
    cutEntries(line, statement);
    return true;
}

void writeSequence(const Statement& statement, ConfigImage& image)
{
    const std::size_t base = sequenceOffset(statement.kind, statement.isLong != 0);
    const int limit = statement.isLong ? kLongSlots : kShortSlots;
    for (int s = 0; s < limit; ++s) {
        const SequenceEntry& e = statement.entries[s];
        std::uint8_t first;
        std::uint8_t second;
        if (e.isValue) {
            first = kEntryValue;
            second = static_cast<std::uint8_t>(static_cast<std::uint32_t>(e.code) & 0xFFu);
        } else {
            first = 0;
            if (e.minus) first |= kEntryMinus;
            if (e.plus) first |= kEntryPlus;
            first |= static_cast<std::uint8_t>(static_cast<std::uint32_t>(e.caseCode) & 0xFFu);
            if (e.code > 127) first |= kEntryShifted;
            second = static_cast<std::uint8_t>(static_cast<std::uint32_t>(e.code) & 0x7Fu);
        }
        image.bytes[base + 2 * static_cast<std::size_t>(s)] = first;
        image.bytes[base + 2 * static_cast<std::size_t>(s) + 1] = second;
    }
    if (statement.rFlag) image.bytes[base] |= kSequenceRFlag;
    if (statement.sFlag) image.bytes[base] |= kSequenceSFlag;
}

}  // namespace

bool parseStatement(TextCursor& line, Statement& statement)
{
    clearStatement(statement);
    char lead[3];
    takeLower(lead, line, 2);
    if (std::strcmp(lead, "in") == 0) return parseInputStatement(line, statement);
    if (std::strcmp(lead, "pr") == 0 || std::strcmp(lead, "re") == 0 || std::strcmp(lead, "ms") == 0 ||
        std::strcmp(lead, "ro") == 0) {
        return parseOptionTail(line, lead, statement);
    }
    return false;
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

void compileLine(const char* text, ConfigImage& image)
{
    TextCursor line;
    setText(line, text);
    Statement statement;
    if (parseStatement(line, statement)) applyStatement(statement, image);
}

bool readConfigFile(const char* path, ConfigImage& image)
{
    clearImage(image);
    LineReader reader;
    if (!openLineReader(reader, path)) return false;
    char text[kTextBufferSize];
    while (readLine(reader, text) > 0) compileLine(text, image);
    closeLineReader(reader);
    return true;
}
