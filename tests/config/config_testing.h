// SPDX-License-Identifier: MIT
// Helpers for the compiler tests: temporary files, the case files beside the tests and their
// quoted texts, and images compared byte for byte.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>

#include <gtest/gtest.h>

#include "config/config_image.h"
#include "config/config_reader.h"

// A temporary file holding exactly content (NULs included); removed by the destructor.
struct TempFile {
    std::string path;
    explicit TempFile(std::string_view content)
    {
        char name[] = "/tmp/pylo_cfg_XXXXXX";
        const int fd = mkstemp(name);
        path = name;
        EXPECT_TRUE(fd >= 0 && write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size())) << path;
        if (fd >= 0) close(fd);
    }
    ~TempFile() { std::remove(path.c_str()); }
};

// The whole of a file in tests/config (a case table or a golden file).
inline std::string caseFile(const char* name)
{
    std::ifstream file(std::string(PYLO_CONFIG_CASES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << "cannot read " << name;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Calls caseRow(row, where) for each line of the case file name that is neither empty nor a
// comment; where is "name:LINE". Returns the number of rows.
inline int forEachCase(const char* name, const std::function<void(const std::string&, const std::string&)>& caseRow)
{
    std::istringstream table(caseFile(name));
    std::string row;
    int line = 0, cases = 0;
    while (std::getline(table, row)) {
        ++line;
        if (!row.empty() && row[0] != '#' && ++cases) caseRow(row, std::string(name) + ":" + std::to_string(line));
    }
    return cases;
}

// Expands the quoted text of a case row that starts after the opening quote at i (C escapes
// \n \r \t \0 \\ \" \xHH, and \{N:text\} for text repeated N times); i ends past the closing
// quote. False on a malformed text.
inline bool quotedText(const std::string& row, std::size_t& i, std::string& out, char end = '"')
{
    while (i < row.size() && !(row[i] == end && (end != '\\' || row[i + 1] == '}'))) {
        if (row[i] != '\\') {
            out += row[i++];
            continue;
        }
        const char e = row[i + 1];
        i += 2;
        if (e == '{') {
            const std::size_t colon = row.find(':', i);
            const int count = std::atoi(row.substr(i, colon - i).c_str());
            std::string unit;
            i = colon + 1;
            if (!quotedText(row, i, unit, '\\') || row[i] != '}') return false;
            ++i;
            for (int k = 0; k < count; ++k) out += unit;
        } else if (e == 'x') {
            out += static_cast<char>(std::strtol(row.substr(i, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            const std::string from = "nrt0\\\"", to("\n\r\t\0\\\"", 6);
            if (from.find(e) == std::string::npos) return false;
            out += to[from.find(e)];
        }
    }
    return ++i <= row.size();
}

// Compiles content with readConfigFile into an image first filled with garbage, so a
// missing clear shows up too.
inline ConfigImage compileText(std::string_view content)
{
    TempFile file(content);
    ConfigImage image{};
    image.bytes.fill(0xA5);
    EXPECT_TRUE(readConfigFile(file.path.c_str(), image)) << file.path;
    return image;
}

// Succeeds when all 8196 bytes match; otherwise lists up to 24 differing offsets.
inline ::testing::AssertionResult sameImage(const ConfigImage& expected, const ConfigImage& actual)
{
    std::string report;
    int differences = 0;
    for (std::size_t i = 0; i < kImageSize; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "\n  offset %4zu (0x%04zX): expected %02X, got %02X", i, i, expected.bytes[i],
                      actual.bytes[i]);
        if (expected.bytes[i] != actual.bytes[i] && ++differences <= 24) report += line;
    }
    return differences == 0 ? ::testing::AssertionSuccess()
                            : ::testing::AssertionFailure() << differences << " byte(s) differ:" << report;
}

// Printable form of a text that may hold control bytes.
inline std::string visible(std::string_view text)
{
    std::string out;
    for (const char ch : text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(ch));
        out += ch == '\n' ? "\\n" : ch >= 0x20 && ch < 0x7F ? std::string(1, ch) : hex;
    }
    return out;
}
