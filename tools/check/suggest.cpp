#include "check/suggest.h"

#include <algorithm>
#include <cctype>
#include <vector>

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

std::string quotedList(const std::vector<std::string>& names)
{
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " or " : ", ";
        out += "'" + names[i] + "'";
    }
    return out;
}

std::string closest(std::string_view word, const std::vector<std::string>& candidates)
{
    const int allowed = allowedDistance(word.size());
    int best = allowed + 1;
    std::vector<std::string> found;
    for (const std::string& candidate : candidates) {
        const int d = editDistance(word, candidate);
        if (d > allowed || d > best) continue;
        if (d < best) {
            best = d;
            found.clear();
        }
        if (found.size() < kMostSuggestions) found.push_back(candidate);
    }
    return quotedList(found);
}

}  // namespace

int editDistance(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    std::vector<int> d((n + 1) * (m + 1));
    auto at = [m, &d](std::size_t i, std::size_t j) -> int& { return d[i * (m + 1) + j]; };
    for (std::size_t i = 0; i <= n; ++i) at(i, 0) = static_cast<int>(i);
    for (std::size_t j = 0; j <= m; ++j) at(0, j) = static_cast<int>(j);
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            int v = std::min(std::min(at(i - 1, j) + 1, at(i, j - 1) + 1), at(i - 1, j - 1) + cost);
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) v = std::min(v, at(i - 2, j - 2) + 1);
            at(i, j) = v;
        }
    }
    return at(n, m);
}

std::string closestKeyNames(std::string_view name, const KeyTable& table)
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < table.count; ++i) names.emplace_back(table.names[i].name);
    return closest(lowered(name), names);
}

std::string closestKeyword(std::string_view word)
{
    static const std::vector<std::string> keywords = {"IN",   "PREL", "REVX", "REVY", "MSET",
                                                      "ROT1", "ROT2", "ROT3", "ROT4"};
    std::string upper(word);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return closest(upper, keywords);
}
