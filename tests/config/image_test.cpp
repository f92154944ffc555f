// Whole files compiled through readConfigFile and compared, all 8196 bytes, against the
// images written in images.txt (its header tells the format).
#include <algorithm>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "config/config_reader.h"
#include "config_testing.h"

namespace {

// Expands the quoted file text that starts after the opening quote at i; i ends past the
// closing quote. Returns false on a malformed text.
bool fileText(const std::string& row, std::size_t& i, std::string& out, char end = '"')
{
    while (i < row.size() && row[i] != end) {
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
            if (!fileText(row, i, unit, '\\') || row[i] != '}') return false;
            ++i;
            for (int k = 0; k < count; ++k) out += unit;
        } else if (e == 'x') {
            out += static_cast<char>(std::strtol(row.substr(i, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            const std::string from = "nrt0\\\"", to("\n\r\t\0\\\"", 6);
            const std::size_t k = from.find(e);
            if (k == std::string::npos) return false;
            out += to[k];
        }
    }
    ++i;
    return i <= row.size();
}

// Fills image from "WHERE: bytes; ..."; false on a malformed list.
bool expectedImage(const std::string& list, ConfigImage& image)
{
    image.bytes.fill(0);
    std::size_t i = 0;
    while ((i = list.find_first_not_of(" ;", i)) != std::string::npos) {
        const std::size_t colon = list.find(':', i);
        const char tag = list[i];
        const int n = std::atoi(list.c_str() + i + (tag >= '0' && tag <= '9' ? 0 : 1));
        std::size_t at = tag == 'L' ? (n - 1) * 96u : tag == 'S' ? (n - 1) * 96u + 64 : tag == 'O' ? 8188u + n : n;
        const std::size_t end = std::min(list.find(';', colon), list.size());
        std::string unit;
        for (i = colon + 1; i < end; ++i) {
            if (list[i] == ' ') continue;
            if (list[i] == '(') {
                unit.clear();
            } else if (list[i] == ')') {
                const int repeat = std::atoi(list.c_str() + i + 2);
                for (int k = 1; k < repeat; ++k)
                    for (char b : unit) image.bytes.at(at++) = static_cast<std::uint8_t>(b);
                i = list.find_first_of(" ;", i) - 1;
            } else {
                const auto b = static_cast<char>(std::strtol(list.substr(i, 2).c_str(), nullptr, 16));
                unit += b;
                image.bytes.at(at++) = static_cast<std::uint8_t>(b);
                ++i;
            }
        }
        i = end;
    }
    return true;
}

TEST(CompiledImage, EveryCaseOfImagesTxt)
{
    const std::string table = caseFile("images.txt");
    int line = 0;
    int cases = 0;
    for (std::size_t start = 0, stop; start < table.size(); start = stop + 1) {
        stop = std::min(table.find('\n', start), table.size());
        const std::string row = table.substr(start, stop - start);
        ++line;
        if (row.empty() || row[0] == '#') continue;
        std::size_t i = row.find('"') + 1;
        std::string text;
        ConfigImage expected;
        const std::size_t arrow = row.find("=> ", i);
        const bool wellFormed = i > 0 && fileText(row, i, text) && row.compare(i, 3, " =>") == 0 &&
                                expectedImage(arrow == std::string::npos ? "" : row.substr(arrow + 3), expected);
        ASSERT_TRUE(wellFormed) << "images.txt:" << line << " cannot be read";
        EXPECT_TRUE(sameImage(expected, compileText(text))) << "images.txt:" << line << ": " << row.substr(0, 90);
        ++cases;
    }
    EXPECT_GT(cases, 250);
}

TEST(CompiledImage, MissingFileIsFalseAndLeavesAClearedImage)
{
    ConfigImage image;
    image.bytes.fill(0x5A);
    EXPECT_FALSE(readConfigFile("/nonexistent-dir/pylo/none.txt", image));
    ConfigImage zero;
    zero.bytes.fill(0);
    EXPECT_TRUE(sameImage(zero, image));
}

}  // namespace
