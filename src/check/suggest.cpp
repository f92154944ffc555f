// SPDX-License-Identifier: MIT
#include "check/suggest.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "config/text.h"

namespace {

constexpr int kMostSuggestions = 3;

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// How far a name of this length may be from a table name and still count as a typo of it.
int allowedDistance(std::size_t length)
{
    if (length <= 1) return 0;
    if (length <= 4) return 1;
    if (length <= 8) return 2;
    return 3;
}

// The characters of text as bits (two that share a bit count as one).
std::uint64_t charactersOf(std::string_view text)
{
    std::uint64_t bits = 0;
    for (const char c : text) bits |= std::uint64_t{1} << (static_cast<unsigned char>(c) & 63u);
    return bits;
}

int bitCount(std::uint64_t bits)
{
    int n = 0;
    for (; bits != 0; bits &= bits - 1) ++n;
    return n;
}

// A name to compare with, and the characters it holds.
struct Candidate {
    std::string_view name;
    std::uint64_t characters;
};

template <typename Names>
std::vector<Candidate> candidatesOf(std::size_t count, Names nameAt)
{
    std::vector<Candidate> out;
    for (std::size_t i = 0; i < count; ++i) out.push_back(Candidate{nameAt(i), charactersOf(nameAt(i))});
    return out;
}

// The candidates nearest to word, at most kMostSuggestions of them, when near enough.
std::vector<std::string> closest(std::string_view word, const std::vector<Candidate>& candidates)
{
    const int allowed = allowedDistance(word.size());
    int best = allowed + 1;
    const std::uint64_t ours = charactersOf(word);
    std::vector<std::string> found;
    for (const Candidate& candidate : candidates) {
        // Cheap bounds pass over most names without working out the distance: each extra
        // character takes an edit, and so does each character that one text has and the other
        // lacks.
        const std::size_t shorter = std::min(word.size(), candidate.name.size());
        if (std::max(word.size(), candidate.name.size()) - shorter > static_cast<std::size_t>(best)) continue;
        const std::uint64_t theirs = candidate.characters;
        if (std::max(bitCount(ours & ~theirs), bitCount(theirs & ~ours)) > best) continue;
        const int d = editDistance(word, candidate.name, best);
        if (d > allowed || d > best) continue;
        if (d < best) {
            best = d;
            found.clear();
        }
        if (found.size() < kMostSuggestions) found.emplace_back(candidate.name);
    }
    return found;
}

// A key table's names, and the answers already given for it: a file full of the same unknown
// names asks the same questions again and again. The answers kept are bounded.
struct TableSuggestions {
    const KeyName* names;
    std::vector<Candidate> candidates;
    std::unordered_map<std::string, std::vector<std::string>> answers;
};

constexpr std::size_t kMostAnswersKept = 4096;

TableSuggestions& suggestionsFor(const KeyTable& table)
{
    static std::vector<TableSuggestions> tables;  // the main and the keypad table
    for (TableSuggestions& known : tables) {
        if (known.names == table.names) return known;
    }
    tables.push_back(TableSuggestions{
        table.names, candidatesOf(table.count, [&table](std::size_t i) { return std::string_view(table.names[i].name); }), {}});
    return tables.back();
}

struct Synonym {
    const char* name;   // lower case, without '_', '-' and blanks
    const char* entry;  // what to write between the brackets
};

const Synonym kSynonyms[] = {
    {"return", "enter"},       {"ret", "enter"},          {"newline", "enter"},
    {"arrowup", "up"},         {"uparrow", "up"},         {"arrowdown", "down"},
    {"downarrow", "down"},     {"arrowleft", "left"},     {"leftarrow", "left"},
    {"arrowright", "right"},   {"rightarrow", "right"},   {"super", "win"},
    {"meta", "win"},           {"cmd", "win"},            {"command", "win"},
    {"gui", "win"},            {"start", "win"},          {"lsuper", "lwin"},
    {"leftsuper", "lwin"},     {"rsuper", "rwin"},        {"rightsuper", "rwin"},
    {"lmeta", "lwin"},         {"rmeta", "rwin"},         {"lcmd", "lwin"},
    {"rcmd", "rwin"},          {"option", "alt"},         {"opt", "alt"},
    {"loption", "lalt"},       {"leftoption", "lalt"},    {"roption", "ralt"},
    {"rightoption", "ralt"},   {"altgr", "ralt"},         {"strg", "ctrl"},
    {"spacebar", "space"},     {"bksp", "backspace"},     {"back", "backspace"},
    {"break", "pause"},        {"sysrq", "print"},        {"prtscr", "printscreen"},
    {"printscr", "printscreen"}, {"kpenter", "(n)enter"}, {"numpadenter", "(n)enter"},
    {"keypadenter", "(n)enter"}, {"kpreturn", "(n)enter"}, {"kpplus", "(n)+"},
    {"kpadd", "(n)+"},         {"numpadadd", "(n)+"},     {"numpadplus", "(n)+"},
    {"kpminus", "(n)-"},       {"kpsubtract", "(n)-"},    {"numpadsubtract", "(n)-"},
    {"numpadminus", "(n)-"},   {"kpmultiply", "(n)*"},    {"numpadmultiply", "(n)*"},
    {"kpdivide", "(n)/"},      {"numpaddivide", "(n)/"},  {"kpdecimal", "(n)."},
    {"kpperiod", "(n)."},      {"numpaddecimal", "(n)."}, {"plus", "+"},
    {"minus", "-"},            {"dash", "-"},             {"equals", "="},
    {"equal", "="},            {"comma", ","},            {"period", "."},
    {"dot", "."},              {"slash", "/"},            {"backslash", "\\"},
    {"semicolon", ";"},        {"colon", ":"},            {"quote", "'"},
    {"apostrophe", "'"},       {"doublequote", "\""},     {"grave", "`"},
    {"backquote", "`"},        {"backtick", "`"},         {"tilde", "~"},
    {"exclamation", "!"},      {"at", "@"},               {"hash", "#"},
    {"pound", "#"},            {"dollar", "$"},           {"percent", "%"},
    {"caret", "^"},            {"ampersand", "&"},        {"asterisk", "*"},
    {"star", "*"},             {"underscore", "_"},       {"question", "?"},
    {"pipe", "|"},             {"lbracket", "["},         {"leftbracket", "["},
    {"rbracket", "]"},         {"rightbracket", "]"},     {"lbrace", "{"},
    {"rbrace", "}"},           {"less", "<"},             {"greater", ">"},
};

// Lower case, with '_', '-' and blanks left out (a one-character name stays as it is).
std::string folded(std::string_view name)
{
    if (name.size() <= 1) return std::string(name);
    std::string out;
    for (char c : lowered(name)) {
        if (c != '_' && c != '-' && c != ' ' && c != '\t') out += c;
    }
    return out;
}

bool isKeyName(const std::string& name)
{
    std::int32_t caseCode = 0;
    return lookupKeyName(name.data(), name.size(), false, false, caseCode) != 0;
}

// "numpad7", "num7", "kp7", "keypad7" name the keypad's digit keys.
std::string keypadDigit(const std::string& name)
{
    for (const char* prefix : {"numpad", "num", "kp", "keypad"}) {
        const std::size_t n = std::strlen(prefix);
        if (name.size() == n + 1 && name.compare(0, n, prefix) == 0 && name[n] >= '0' && name[n] <= '9') {
            return std::string("(n)") + name[n];
        }
    }
    return std::string();
}

// A key of a combination: its name, or the entry text of a synonym.
std::string combinationKey(std::string_view part)
{
    const std::string name = lowered(part);
    if (isKeyName(name)) return name;
    return keySynonym(part);
}

}  // namespace

std::string keySynonym(std::string_view name)
{
    const std::string key = folded(name);
    const std::string digit = keypadDigit(key);
    if (!digit.empty()) return digit;
    for (const Synonym& s : kSynonyms) {
        if (s.name[0] == key[0] && std::strcmp(key.c_str(), s.name) == 0) return s.entry;
    }
    // "page_up", "Caps Lock": a key name once the separators are gone.
    if (key != lowered(name) && isKeyName(key)) return key;
    return std::string();
}

std::string combinationEntries(std::string_view name)
{
    const char joint = name.find('+') != std::string_view::npos ? '+' : '-';
    if (name.size() < 3 || name.find(joint) == std::string_view::npos) return std::string();
    std::vector<std::string> keys;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find(joint, start);
        if (end == std::string_view::npos) end = name.size();
        const std::string key = combinationKey(name.substr(start, end - start));
        if (key.empty()) return std::string();
        keys.push_back(key);
        start = end + 1;
    }
    if (keys.size() < 2) return std::string();
    std::string out;
    for (std::size_t i = 0; i + 1 < keys.size(); ++i) out += "[(+)" + keys[i] + "]";
    out += "[" + keys.back() + "]";
    for (std::size_t i = keys.size() - 1; i-- > 0;) out += "[(-)" + keys[i] + "]";
    return out;
}

int editDistance(std::string_view a, std::string_view b, int limit)
{
    if (a.size() < b.size()) std::swap(a, b);  // the rows run along the shorter text
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    if (n - m > static_cast<std::size_t>(limit)) return limit + 1;  // at least one edit per extra character
    // Three rows: a transposition looks two rows back. Key names and keywords are short, so
    // the rows fit on the stack.
    int small[3 * 33];
    std::vector<int> large;
    int* rows = small;
    if (m + 1 > 33) {
        large.resize(3 * (m + 1));
        rows = large.data();
    }
    int* before = rows;
    int* previous = rows + (m + 1);
    int* current = rows + 2 * (m + 1);
    for (std::size_t j = 0; j <= m; ++j) previous[j] = static_cast<int>(j);
    int previousBest = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        current[0] = static_cast<int>(i);
        int best = current[0];
        for (std::size_t j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            int v = std::min(std::min(previous[j] + 1, current[j - 1] + 1), previous[j - 1] + cost);
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) v = std::min(v, before[j - 2] + 1);
            current[j] = v;
            best = std::min(best, v);
        }
        // Every later row grows from these two, each step adding at least as much as it takes.
        if (best > limit && previousBest > limit) return limit + 1;
        previousBest = best;
        int* spare = before;
        before = previous;
        previous = current;
        current = spare;
    }
    return std::min(previous[m], limit + 1);
}

std::vector<std::string> closestKeyNames(std::string_view name, const KeyTable& table)
{
    TableSuggestions& suggestions = suggestionsFor(table);
    std::string key = lowered(name);
    const auto known = suggestions.answers.find(key);
    if (known != suggestions.answers.end()) return known->second;
    std::vector<std::string> names = closest(key, suggestions.candidates);
    if (suggestions.answers.size() == kMostAnswersKept) suggestions.answers.clear();
    suggestions.answers.emplace(std::move(key), names);
    return names;
}

std::vector<std::string> closestKeywords(std::string_view word)
{
    static const char* const keywords[] = {"IN", "PREL", "REVX", "REVY", "MSET", "ROT1", "ROT2", "ROT3", "ROT4"};
    static const std::vector<Candidate> candidates = candidatesOf(std::size(keywords), [](std::size_t i) { return std::string_view(keywords[i]); });
    std::string upper(word);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return closest(upper, candidates);
}

std::string quotedList(const std::vector<std::string>& names)
{
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " or " : ", ";
        out += "'" + names[i] + "'";
    }
    return out;
}
