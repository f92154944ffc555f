// Key names: every name of both tables, shifted characters, case codes, and the names that
// must not be found.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/key_table.h"

namespace {

struct Name {
    const char* name;
    int number;
};

// Every name of the main table with its key number, written out from the key layout.
const Name kMain[] = {
    {"`", 1},   {"~", 129},  {"1", 2},   {"!", 130},  {"2", 3},   {"@", 131},  {"3", 4},
    {"#", 132}, {"4", 5},    {"$", 133}, {"5", 6},    {"%", 134}, {"6", 7},    {"^", 135},
    {"7", 8},   {"&", 136},  {"8", 9},   {"*", 137},  {"9", 10},  {"(", 138},  {"0", 11},
    {")", 139}, {"-", 12},   {"_", 140}, {"=", 13},   {"+", 141},
    {"bs", 15}, {"backspace", 15}, {"tab", 16},
    {"q", 17}, {"w", 18}, {"e", 19}, {"r", 20}, {"t", 21}, {"y", 22}, {"u", 23}, {"i", 24},
    {"o", 25}, {"p", 26},
    {"[", 27}, {"{", 155}, {"]", 28}, {"}", 156}, {"\\", 29}, {"|", 157},
    {"caps", 30}, {"capslock", 30},
    {"a", 31}, {"s", 32}, {"d", 33}, {"f", 34}, {"g", 35}, {"h", 36}, {"j", 37}, {"k", 38},
    {"l", 39},
    {";", 40}, {":", 168}, {"'", 41}, {"\"", 169},
    {"enter", 43}, {"ent", 43},
    {"lshift", 44}, {"shift", 44}, {"leftshift", 44},
    {"z", 46}, {"x", 47}, {"c", 48}, {"v", 49}, {"b", 50}, {"n", 51}, {"m", 52},
    {",", 53}, {"<", 181}, {".", 54}, {">", 182}, {"/", 55}, {"?", 183},
    {"rshift", 57}, {"rightshift", 57},
    {"lctrl", 58}, {"ctrl", 58}, {"leftctrl", 58}, {"lcontrol", 58}, {"control", 58},
    {"leftcontrol", 58},
    {"lalt", 60}, {"alt", 60}, {"leftalt", 60},
    {" ", 61}, {"space", 61},
    {"ralt", 62}, {"rightalt", 62},
    {"rctrl", 64}, {"rightctrl", 64}, {"rcontrol", 64}, {"rightcontrol", 64},
    {"lwin", 70}, {"leftwin", 70}, {"lwindows", 70}, {"leftwindows", 70},
    {"rwin", 71}, {"rightwin", 71}, {"rwindows", 71}, {"rightwindows", 71},
    {"win", 72}, {"windows", 72},
    {"insert", 75}, {"ins", 75}, {"delete", 76}, {"del", 76},
    {"left", 79}, {"home", 80}, {"end", 81}, {"up", 83}, {"down", 84},
    {"pageup", 85}, {"pgup", 85},
    {"pagedn", 86}, {"pagedown", 86}, {"pgdn", 86}, {"pgdown", 86},
    {"right", 89}, {"num", 90}, {"numlock", 90}, {"esc", 110}, {"escape", 110},
    {"f1", 112}, {"f2", 113}, {"f3", 114}, {"f4", 115}, {"f5", 116}, {"f6", 117},
    {"f7", 118}, {"f8", 119}, {"f9", 120}, {"f10", 121}, {"f11", 122}, {"f12", 123},
    {"print", 124}, {"printscreen", 124}, {"prtsc", 124},
    {"scroll", 125}, {"scrolllock", 125}, {"scrlk", 125},
    {"pause", 126},
};

const Name kKeypad[] = {
    {"7", 91},  {"4", 92},   {"1", 93},  {"/", 95},  {"8", 96},  {"5", 97},
    {"2", 98},  {"0", 99},   {"*", 100}, {"9", 101}, {"6", 102}, {"3", 103},
    {".", 104}, {"-", 105},  {"+", 106}, {"enter", 108}, {"ent", 108},
};

std::int32_t lookup(const std::string& name, bool keypad)
{
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    std::int32_t caseCode = 0;
    return lookupKeyName(buffer.data(), keypad, false, caseCode);
}

std::string upper(std::string s)
{
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

TEST(KeyTable, EveryMainNameGivesItsNumber)
{
    for (const Name& n : kMain) EXPECT_EQ(lookup(n.name, false), n.number) << '"' << n.name << '"';
}

TEST(KeyTable, EveryKeypadNameGivesItsNumberUnderTheKeypadMarker)
{
    for (const Name& n : kKeypad) EXPECT_EQ(lookup(n.name, true), n.number) << '"' << n.name << '"';
}

TEST(KeyTable, NamesAreMatchedWithoutRegardToCase)
{
    for (const Name& n : kMain) {
        EXPECT_EQ(lookup(upper(n.name), false), n.number) << upper(n.name);
    }
    for (const Name& n : kKeypad) {
        EXPECT_EQ(lookup(upper(n.name), true), n.number) << upper(n.name);
    }
    EXPECT_EQ(lookup("Shift", false), 44);
    EXPECT_EQ(lookup("LeftShift", false), 44);
    EXPECT_EQ(lookup("PgDown", false), 86);
    EXPECT_EQ(lookup("F12", false), 123);
    EXPECT_EQ(lookup("A", false), 31);  // a capital is no shifted name
    EXPECT_EQ(lookup("Ent", true), 108);
}

// Every one-byte name, in both tables: the listed ones give their number (capitals as their
// small letter), every other byte gives 0. This also catches rows that should not exist.
TEST(KeyTable, EveryOneByteName)
{
    std::map<std::string, int> mainNames;
    std::map<std::string, int> keypadNames;
    for (const Name& n : kMain) mainNames.emplace(n.name, n.number);
    for (const Name& n : kKeypad) keypadNames.emplace(n.name, n.number);
    for (int b = 1; b < 256; ++b) {
        std::string name(1, static_cast<char>(b));
        std::string key = name;
        if (b >= 'A' && b <= 'Z') key = std::string(1, static_cast<char>(b - 'A' + 'a'));
        const auto m = mainNames.find(key);
        const auto k = keypadNames.find(key);
        EXPECT_EQ(lookup(name, false), m == mainNames.end() ? 0 : m->second) << "byte " << b;
        EXPECT_EQ(lookup(name, true), k == keypadNames.end() ? 0 : k->second) << "byte " << b << " keypad";
    }
}

TEST(KeyTable, KeypadTableHoldsNoMainNames)
{
    std::map<std::string, int> keypadNames;
    for (const Name& n : kKeypad) keypadNames.emplace(n.name, n.number);
    for (const Name& n : kMain) {
        if (keypadNames.count(n.name) != 0) continue;
        EXPECT_EQ(lookup(n.name, true), 0) << '"' << n.name << "\" under the keypad marker";
    }
    EXPECT_EQ(lookup("num", true), 0);
    EXPECT_EQ(lookup("numlock", true), 0);
    EXPECT_EQ(lookup("enter", false), 43);
}

TEST(KeyTable, NearMissesAreNotFound)
{
    const char* misses[] = {"", "foo", "shif", "shiftx", "lshift ", " shift", "f0", "f13", "f1 ",
                            "f01", "page up", "ctrl\n", "a\r", "!!", "aa", "\xC4", "\xE4", "(+)a",
                            "a(+)"};
    for (const char* m : misses) {
        EXPECT_EQ(lookup(m, false), 0) << '"' << m << '"';
        EXPECT_EQ(lookup(m, true), 0) << '"' << m << "\" keypad";
    }
}

TEST(KeyTable, LowerCasesTheNameInPlace)
{
    char name[] = "LeftShift";
    std::int32_t caseCode = 0;
    EXPECT_EQ(lookupKeyName(name, false, false, caseCode), 44);
    EXPECT_STREQ(name, "leftshift");
}

struct CaseCodeCase {
    const char* name;
    bool keypad;
    bool caseMarker;
    std::int32_t before;  // caseCode on entry
    std::int32_t number;
    std::int32_t after;
};

TEST(KeyTable, CaseCodes)
{
    const CaseCodeCase cases[] = {
        {"A", false, true, 0, 31, 2},
        {"a", false, true, 0, 31, 4},
        {"Z", false, true, 0, 46, 2},
        {"z", false, true, 0, 46, 4},
        {"1", false, true, 0, 2, 0},
        {"!", false, true, 0, 130, 0},
        {"shift", false, true, 0, 44, 0},
        {"A", true, true, 0, 0, 2},     // worked out before, and whatever, the lookup
        {"q", true, true, 0, 0, 4},
        {"\xC4", false, true, 0, 0, 0},  // not an ASCII letter
        // Left as it was unless the marker is set and the name is one character long.
        {"Shift", false, true, 9, 44, 9},
        {"A", false, false, 9, 31, 9},
        {"", false, true, 9, 0, 9},
        {"1", false, true, 9, 2, 0},
        {"a", false, true, 9, 31, 4},
    };
    for (const CaseCodeCase& c : cases) {
        char name[16];
        std::strcpy(name, c.name);
        std::int32_t caseCode = c.before;
        EXPECT_EQ(lookupKeyName(name, c.keypad, c.caseMarker, caseCode), c.number) << '"' << c.name << '"';
        EXPECT_EQ(caseCode, c.after) << '"' << c.name << "\" keypad " << c.keypad << " marker " << c.caseMarker;
    }
}

}  // namespace
