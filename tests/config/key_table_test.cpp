// Key names. keys.golden is the output of "pylocheck --list-keys": it pins both tables, and
// every name in it must be found (in any case) with its number; every other one-byte name,
// the near misses and the main names under the keypad marker must not.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "check/key_list.h"
#include "config/key_table.h"
#include "config_testing.h"

namespace {

std::int32_t lookup(std::string name, bool keypad, bool caseMarker = false, std::int32_t* caseCode = nullptr)
{
    std::int32_t ignored = 0;
    return lookupKeyName(&name[0], keypad, caseMarker, caseCode != nullptr ? *caseCode : ignored);
}

std::string upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return s;
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
        if (name == "(space)") name = " ";
        const bool keypad = table == "keypad";
        tables[keypad].emplace(name, number);
        EXPECT_EQ(lookup(name, keypad), number) << table << " \"" << name << '"';
        EXPECT_EQ(lookup(upper(name), keypad), number) << table << " \"" << upper(name) << '"';
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
    for (const char* miss : {"", "shif", "shiftx", "lshift ", " shift", "f0", "f13", "f01", "page up", "ctrl\n",
                             "a\r", "!!", "\xC4", "(+)a", "numlock\x01"}) {
        EXPECT_EQ(lookup(miss, false) + lookup(miss, true), 0) << '"' << visible(miss) << '"';
    }
}

TEST(KeyTable, CaseCodeOnlyForOneCharacterNamesUnderTheMarker)
{
    struct Row { const char* name; bool keypad, marker; std::int32_t before, number, after; };
    const Row rows[] = {
        {"A", false, true, 0, 31, 2}, {"a", false, true, 0, 31, 4},  {"Z", false, true, 0, 46, 2},
        {"z", false, true, 9, 46, 4}, {"1", false, true, 9, 2, 0},   {"!", false, true, 9, 130, 0},
        {"A", true, true, 0, 0, 2},   {"\xC4", false, true, 9, 0, 0}, {"@", false, true, 9, 131, 0},
        {"Shift", false, true, 9, 44, 9}, {"A", false, false, 9, 31, 9}, {"", false, true, 9, 0, 9},
    };
    for (const Row& r : rows) {
        std::int32_t caseCode = r.before;
        EXPECT_EQ(lookup(r.name, r.keypad, r.marker, &caseCode), r.number) << '"' << visible(r.name) << '"';
        EXPECT_EQ(caseCode, r.after) << '"' << visible(r.name) << "\" keypad " << r.keypad << " marker " << r.marker;
    }
}

}  // namespace
