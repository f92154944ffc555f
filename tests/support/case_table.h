// SPDX-License-Identifier: MIT
// Case tables kept as tab-separated text: one row a line, lines starting with "#" and blank
// lines skipped. Each field is unescaped (\n \r \t \\ \xHH; a lone "-" is empty), then every
// placeholder of subs is replaced by its text, in the order given.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

using CaseRow = std::vector<std::string>;
using CaseSubs = std::vector<std::pair<std::string, std::string>>;

inline std::string caseField(const std::string& raw, const CaseSubs& subs)
{
    std::string f;
    for (std::size_t i = 0; raw != "-" && i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) { f += raw[i]; continue; }
        const char c = raw[++i];
        if (c == 'x') { f += static_cast<char>(std::strtol(raw.substr(i + 1, 2).c_str(), nullptr, 16)); i += 2; }
        else f += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
    for (const auto& s : subs) {
        for (std::size_t at = 0; (at = f.find(s.first, at)) != std::string::npos; at += s.second.size()) f.replace(at, s.first.size(), s.second);
    }
    return f;
}

inline std::vector<CaseRow> readCaseTable(const std::string& path, const CaseSubs& subs = {})
{
    std::vector<CaseRow> rows;
    std::ifstream in(path);
    if (!in) std::abort();  // a missing table must not pass as an empty one
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        CaseRow row;
        for (std::size_t start = 0, tab;; start = tab + 1) {
            tab = line.find('\t', start);
            row.push_back(caseField(line.substr(start, tab - start), subs));
            if (tab == std::string::npos) break;
        }
        rows.push_back(row);
    }
    return rows;
}
