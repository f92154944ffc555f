// SPDX-License-Identifier: MIT
// Key names. keys.golden is the output of "pylocheck --list-keys": it pins both tables, and
// every name in it must be found (in any case) with its number, and no other one-byte name;
// key_cases.txt holds the near misses and the case code.
#include <map>
#include "check/key_list.h"
#include "config/key_table.h"
#include "config_testing.h"

namespace {

std::int32_t ignored = 0;
std::int32_t lookup(std::string name, bool keypad, bool caseMarker = false, std::int32_t& caseCode = ignored)
{
    return lookupKeyName(name.data(), name.size(), keypad, caseMarker, caseCode);
}

TEST(KeyTable, ListMatchesTheGoldenFile)
{
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    printKeyList(out);
    std::fclose(out);
    EXPECT_EQ(std::string(text, size), caseFile("keys.golden"));
    std::free(text);
}

TEST(KeyTable, EveryListedNameAndNoOther)
{
    std::map<std::string, int> tables[2];  // main, keypad
    std::istringstream golden(caseFile("keys.golden"));
    std::string table, name, line;
    int number = 0;
    std::getline(golden, line);  // heading
    while (golden >> table >> number >> name) {
        std::getline(golden, line);
        const bool keypad = table == "keypad";
        tables[keypad].emplace(name == "(space)" ? name = " " : name, number);
        EXPECT_EQ(lookup(name, keypad), number) << table << " \"" << name << '"';
        for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        EXPECT_EQ(lookup(name, keypad), number) << table << " \"" << name << '"';
    }
    ASSERT_EQ(tables[0].size() + tables[1].size(), 163u);
    for (int b = 1; b < 256; ++b) {
        const std::string key(1, static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b));
        for (int keypad = 0; keypad < 2; ++keypad) {
            const auto found = tables[keypad].find(key);
            EXPECT_EQ(lookup(std::string(1, static_cast<char>(b)), keypad), found == tables[keypad].end() ? 0 : found->second)
                << "byte " << b << (keypad ? " under the keypad marker" : "");
        }
    }
    for (const auto& entry : tables[0]) {
        const std::int32_t expected = tables[1].count(entry.first) ? tables[1][entry.first] : 0;
        EXPECT_EQ(lookup(entry.first, true), expected) << entry.first << " under the keypad marker";
    }
}

TEST(KeyTable, EveryCaseOfKeyCasesTxt)
{
    EXPECT_GT(forEachCase("key_cases.txt", [](const std::string& row, const std::string& where) {
        std::size_t i = row.find('"') + 1;
        std::string name;
        char table[8] = "";
        int marker = 0, before = 0, number = 0, after = 0;
        ASSERT_TRUE(i > 0 && quotedText(row, i, name) &&
                    std::sscanf(row.c_str() + i, " %7s %d %d => %d %d", table, &marker, &before, &number, &after) == 5)
            << where << " cannot be read";
        std::int32_t caseCode = before;
        EXPECT_EQ(lookup(name, table[0] == 'k', marker != 0, caseCode), number) << where;
        EXPECT_EQ(caseCode, after) << where << " (the case code)";
    }), 40);
}

}  // namespace
