// SPDX-License-Identifier: MIT
// Whole files compiled through readConfigFile and compared, all 8196 bytes, against the
// images written in images.txt (its header tells the format).
#include <algorithm>
#include "config_testing.h"

namespace {

// Fills image from "WHERE: bytes; ...".
void expectedImage(const std::string& list, ConfigImage& image)
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
}

TEST(CompiledImage, EveryCaseOfImagesTxt)
{
    EXPECT_GT(forEachCase("images.txt", [](const std::string& row, const std::string& where) {
        std::size_t i = row.find('"') + 1;
        std::string text;
        ConfigImage expected;
        const std::size_t arrow = row.find("=> ", i);
        ASSERT_TRUE(i > 0 && quotedText(row, i, text) && row.compare(i, 3, " =>") == 0) << where << " cannot be read";
        expectedImage(arrow == std::string::npos ? "" : row.substr(arrow + 3), expected);
        EXPECT_TRUE(sameImage(expected, compileText(text))) << where << ": " << row.substr(0, 90);
    }), 250);
}

}  // namespace
