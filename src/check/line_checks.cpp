// SPDX-License-Identifier: MIT
// Explanations of lines the compiler skips or splits: unknown keywords, malformed options and
// input statements, lines longer than a read.
#include <cstring>
#include <string>
#include <vector>

#include "check/check_state.h"
#include "check/suggest.h"
#include "config/key_table.h"
#include "config/text.h"

namespace check_detail {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t firstNonBlank(const char* text)
{
    std::size_t i = 0;
    while (isBlank(text[i])) ++i;
    return i;
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

// The keywords a misspelt word may have meant, as repairs that write each in its place (in
// lower case when the word has no capital). A ROTn keyword before the digit is written ROT.
std::vector<Fix> keywordFixes(const CheckState& state, const std::string& word, const std::vector<std::string>& keywords)
{
    bool lower = true;
    for (const char c : word) lower = lower && !(c >= 'A' && c <= 'Z');
    const bool digitFollows = state.text[word.size()] >= '0' && state.text[word.size()] <= '9';
    std::vector<Fix> fixes;
    for (std::string keyword : keywords) {
        if (digitFollows && keyword.compare(0, 3, "ROT") == 0) keyword = "ROT";
        if (lower) toLowerAscii(&keyword[0]);
        bool known = false;
        for (const Fix& fix : fixes) known = known || fix.edits[0].text == keyword;
        if (!known) fixes.push_back(fixRead(state, "Change to '" + keyword + "'", 0, word.size(), keyword));
    }
    return fixes;
}

// A warning on a misspelt keyword, and the note that names the likely ones.
void warnKeyword(CheckState& state, const char* code, const std::string& message, const std::string& word)
{
    const std::vector<std::string> keywords = closestKeywords(word);
    warn(state, 0, code, message, keywordFixes(state, word, keywords));
    if (!keywords.empty()) note(state, 0, "did you mean " + quotedList(keywords) + "?");
}

void explainUnknownKeyword(CheckState& state)
{
    const char* text = state.text;
    const std::size_t start = firstNonBlank(text);
    if (start > 0) {
        TextCursor rest;
        setText(rest, text + start);
        Statement statement;
        const bool isStatement = parseStatement(rest, statement);
        std::vector<Fix> fixes;
        if (isStatement) fixes.push_back(fixRead(state, "Remove the leading blanks", 0, start, ""));
        warn(state, 0, "leading-blanks", "statement does not start in the first column; the line is skipped",
             std::move(fixes));
        if (isStatement) note(state, start, "without the leading blanks it is a statement");
        return;
    }
    std::string word = leadingWord(text);
    if (word.empty()) {
        warn(state, 0, "no-keyword", "the line holds an entry but starts with no statement keyword; the line is skipped");
        note(state, 0, "statements begin with IN, PREL, REVX, REVY, MSET or ROT; comments with '#'");
        return;
    }
    warnKeyword(state, "unknown-keyword", "'" + word + "' is no statement keyword; the line is skipped", word);
}

}  // namespace

bool isLineEnd(char c) { return c == '\0' || c == '\n'; }

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
        warnKeyword(state, "unknown-option", "unknown option '" + upper(word.c_str(), word.size()) + "'; the line is skipped",
                    word);
        return;
    }
    case LineFault::MissingOptionColon:
        warn(state, column, "missing-colon", "expected ':' after '" + upper(text, column) + "', found " + shown(c) +
                                "; the line is skipped");
        return;
    case LineFault::OptionValueNotY: {
        const std::string keyword = upper(text, column - 1);
        if (isLineEnd(c) || c == '\r') {
            warn(state, column, "option-value", "the value 'Y' of " + keyword + " is missing; the line is skipped");
        } else {
            warn(state, column, "option-value", "the only value of " + keyword + " is 'Y', not " + shown(c) +
                                     "; the line is skipped and the option stays unset");
        }
        return;
    }
    case LineFault::MsetValueNotDigit:
        warn(state, column, "mset-value", "MSET takes a digit 0 ... 3, found " + shown(c) + "; the line is skipped");
        return;
    case LineFault::MsetValueOutOfRange:
        warn(state, column, "mset-value", std::string("MSET:") + c + " is out of range (MSET:0 ... MSET:3); the line is skipped");
        return;
    case LineFault::RotNumberNotDigit:
        warn(state, column, "rot-number", "ROT takes a digit 1 ... 4, found " + shown(c) + "; the line is skipped");
        return;
    case LineFault::RotNumberOutOfRange:
        warn(state, column, "rot-number", std::string("ROT") + c + " is out of range (ROT1 ... ROT4); the line is skipped");
        return;
    case LineFault::InputNumberNotDigits: {
        const bool oneDigit = c >= '0' && c <= '9';
        if (oneDigit && c != '0' && (text[column + 1] == ':' || text[column + 1] == '|')) {
            const std::string fixed = std::string(text, 2) + "0" + c + text[column + 1];
            warn(state, column, "one-digit-input",
                 std::string("one-digit input number '") + c +
                     "'; input numbers have two digits (01 ... 72); the line is skipped",
                 {fixRead(state, "Change to '" + fixed + "'", 0, column + 2, fixed)});
            note(state, column, "did you mean '" + fixed + "'?");
        } else {
            warn(state, column, "input-number", std::string("IN must be followed by a two-digit input number 01 ... 72, found ") +
                                    (oneDigit ? std::string("one digit") : shown(c)) +
                                    "; the line is skipped");
        }
        return;
    }
    case LineFault::InputNumberOutOfRange:
        if (isLineEnd(c)) {
            warn(state, column, "input-number", "IN must be followed by a two-digit input number 01 ... 72; the line is skipped");
        } else {
            warn(state, column, "input-out-of-range", "input number " + std::string(text + column, 2) +
                                    " is out of range (01 ... 72); the line is skipped");
        }
        return;
    case LineFault::MissingSequenceMark:
        if (c >= '0' && c <= '9') {
            warn(state, column, "input-number", "input number has more than two digits; the line is skipped");
        } else {
            warn(state, column, "missing-sequence-mark", "expected ':' (long sequence) or '|' (short sequence) after '" +
                                    std::string(text, column) + "', found " + shown(c) + "; the line is skipped");
        }
        return;
    case LineFault::UnknownMarker: {
        std::size_t n = 1;
        while (n < 3 && !isLineEnd(text[column + n])) ++n;
        warn(state, column, "unknown-flag", "unknown marker '" + std::string(text + column, n) +
                                "'; only <R> and <S> may follow the ':' or '|'; the line is skipped");
        return;
    }
    }
}

// A continuation of a long line: told once per physical line, with what became of the rest.
void explainSplit(CheckState& state, bool isStatement)
{
    if (!state.splitPending) return;
    state.splitPending = false;
    if (state.physicalIsComment && !isStatement) return;
    const std::size_t rest = sourceOf(state.text).size();
    // The note belongs to the warning when the warning comes with it, and stands alone for a
    // later piece of the same line.
    const bool tied = !state.splitReported;
    if (!state.splitReported) {
        state.splitReported = true;
        warn(state, 0, "long-line", "line is longer than 255 characters; the reader splits it here");
    }
    add(state, 0, Severity::Note, "long-line",
        "the " + std::to_string(rest) + " characters from here are read as " +
            (isStatement ? "a statement of their own" : "a line of their own and skipped"),
        false, tied);
}

}  // namespace check_detail
