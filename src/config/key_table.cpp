#include "config/key_table.h"

#include <array>
#include <cstring>

#include "config/text.h"

namespace {

constexpr int kShift = 128;

constexpr KeyName kMainNames[] = {
    {"`", 1},          {"~", 1 + kShift},
    {"1", 2},          {"!", 2 + kShift},
    {"2", 3},          {"@", 3 + kShift},
    {"3", 4},          {"#", 4 + kShift},
    {"4", 5},          {"$", 5 + kShift},
    {"5", 6},          {"%", 6 + kShift},
    {"6", 7},          {"^", 7 + kShift},
    {"7", 8},          {"&", 8 + kShift},
    {"8", 9},          {"*", 9 + kShift},
    {"9", 10},         {"(", 10 + kShift},
    {"0", 11},         {")", 11 + kShift},
    {"-", 12},         {"_", 12 + kShift},
    {"=", 13},         {"+", 13 + kShift},
    {"bs", 15},        {"backspace", 15},
    {"tab", 16},
    {"q", 17}, {"w", 18}, {"e", 19}, {"r", 20}, {"t", 21},
    {"y", 22}, {"u", 23}, {"i", 24}, {"o", 25}, {"p", 26},
    {"[", 27},         {"{", 27 + kShift},
    {"]", 28},         {"}", 28 + kShift},
    {"\\", 29},        {"|", 29 + kShift},
    {"caps", 30},      {"capslock", 30},
    {"a", 31}, {"s", 32}, {"d", 33}, {"f", 34}, {"g", 35},
    {"h", 36}, {"j", 37}, {"k", 38}, {"l", 39},
    {";", 40},         {":", 40 + kShift},
    {"'", 41},         {"\"", 41 + kShift},
    {"enter", 43},     {"ent", 43},
    {"lshift", 44},    {"shift", 44},       {"leftshift", 44},
    {"z", 46}, {"x", 47}, {"c", 48}, {"v", 49}, {"b", 50}, {"n", 51}, {"m", 52},
    {",", 53},         {"<", 53 + kShift},
    {".", 54},         {">", 54 + kShift},
    {"/", 55},         {"?", 55 + kShift},
    {"rshift", 57},    {"rightshift", 57},
    {"lctrl", 58},     {"ctrl", 58},        {"leftctrl", 58},
    {"lcontrol", 58},  {"control", 58},     {"leftcontrol", 58},
    {"lalt", 60},      {"alt", 60},         {"leftalt", 60},
    {" ", 61},         {"space", 61},
    {"ralt", 62},      {"rightalt", 62},
    {"rctrl", 64},     {"rightctrl", 64},   {"rcontrol", 64},  {"rightcontrol", 64},
    {"lwin", 70},      {"leftwin", 70},     {"lwindows", 70},  {"leftwindows", 70},
    {"rwin", 71},      {"rightwin", 71},    {"rwindows", 71},  {"rightwindows", 71},
    {"win", 72},       {"windows", 72},
    {"insert", 75},    {"ins", 75},
    {"delete", 76},    {"del", 76},
    {"left", 79},
    {"home", 80},
    {"end", 81},
    {"up", 83},
    {"down", 84},
    {"pageup", 85},    {"pgup", 85},
    {"pagedn", 86},    {"pagedown", 86},    {"pgdn", 86},      {"pgdown", 86},
    {"right", 89},
    {"num", 90},       {"numlock", 90},
    {"esc", 110},      {"escape", 110},
    {"f1", 112}, {"f2", 113}, {"f3", 114}, {"f4", 115}, {"f5", 116},  {"f6", 117},
    {"f7", 118}, {"f8", 119}, {"f9", 120}, {"f10", 121}, {"f11", 122}, {"f12", 123},
    {"print", 124},    {"printscreen", 124}, {"prtsc", 124},
    {"scroll", 125},   {"scrolllock", 125},  {"scrlk", 125},
    {"pause", 126},
};

constexpr KeyName kKeypadNames[] = {
    {"7", 91},  {"4", 92},  {"1", 93},  {"/", 95},  {"8", 96},   {"5", 97},
    {"2", 98},  {"0", 99},  {"*", 100}, {"9", 101}, {"6", 102},  {"3", 103},
    {".", 104}, {"-", 105}, {"+", 106}, {"enter", 108}, {"ent", 108},
};

// Each table is found through an open-addressed hash index made at compile time: a slot
// holds 1 + the row of a name, 0 when empty. Rows with the same name keep the first, as the
// table order says.
constexpr std::size_t kSlots = 512;  // a power of two, over twice the larger table
using HashIndex = std::array<std::uint16_t, kSlots>;

constexpr std::uint32_t hashStep(std::uint32_t h, char c)
{
    return (h ^ static_cast<unsigned char>(c)) * 16777619u;
}

constexpr std::uint32_t kHashStart = 2166136261u;

constexpr bool sameName(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

template <std::size_t N>
constexpr HashIndex makeIndex(const KeyName (&names)[N])
{
    HashIndex index{};
    for (std::size_t row = 0; row < N; ++row) {
        std::uint32_t h = kHashStart;
        for (const char* c = names[row].name; *c != '\0'; ++c) h = hashStep(h, *c);
        std::size_t slot = h & (kSlots - 1);
        bool taken = false;
        while (index[slot] != 0 && !taken) {
            taken = sameName(names[index[slot] - 1].name, names[row].name);
            slot = (slot + 1) & (kSlots - 1);
        }
        if (!taken) index[slot] = static_cast<std::uint16_t>(row + 1);
    }
    return index;
}

constexpr HashIndex kMainIndex = makeIndex(kMainNames);
constexpr HashIndex kKeypadIndex = makeIndex(kKeypadNames);

std::int32_t find(const KeyName* names, const HashIndex& index, const char* name, std::uint32_t hash)
{
    for (std::size_t slot = hash & (kSlots - 1); index[slot] != 0; slot = (slot + 1) & (kSlots - 1)) {
        const KeyName& key = names[index[slot] - 1];
        if (std::strcmp(key.name, name) == 0) return key.number;
    }
    return 0;
}

}  // namespace

KeyTable mainKeyTable() { return {kMainNames, sizeof kMainNames / sizeof kMainNames[0]}; }

KeyTable keypadKeyTable() { return {kKeypadNames, sizeof kKeypadNames / sizeof kKeypadNames[0]}; }

std::int32_t lookupKeyName(char* name, bool keypad, bool caseMarker, std::int32_t& caseCode)
{
    // Only a one-character name's case matters, so keeping its first byte is enough.
    const char asWritten = name[0];
    // Lower-cases the name as toLowerAscii does and hashes it on the way.
    std::uint32_t hash = kHashStart;
    for (char* c = name; *c != '\0'; ++c) {
        if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
        hash = hashStep(hash, *c);
    }
    if (caseMarker && name[0] != '\0' && name[1] == '\0') {
        if (isAllLetters(name)) {
            caseCode = asWritten != name[0] ? 2 : 4;
        } else {
            caseCode = 0;
        }
    }
    return keypad ? find(kKeypadNames, kKeypadIndex, name, hash) : find(kMainNames, kMainIndex, name, hash);
}
