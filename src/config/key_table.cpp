// SPDX-License-Identifier: MIT
#include "config/key_table.h"

#include <string>

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

// Each table is found through an open-addressed hash index made at compile time. A name is
// looked up as its length and its lower-case bytes packed into two 64-bit words, so a probe
// compares three numbers and no text. A slot holds 1 + the row of a name, 0 when empty; rows
// with the same name keep the first, as the table order says.
constexpr std::size_t kSlots = 512;  // a power of two, over twice the larger table
constexpr std::size_t kLongestName = 16;

struct PackedName {
    std::uint64_t low;
    std::uint64_t high;
    std::size_t length;
};

constexpr bool operator==(const PackedName& a, const PackedName& b)
{
    return a.low == b.low && a.high == b.high && a.length == b.length;
}

// A byte from "A" to "Z" in each of the eight bytes of a word gains 0x20: all eight are
// lower-cased at once.
constexpr std::uint64_t lowerWord(std::uint64_t word)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    const std::uint64_t low7 = word & ~kHigh;
    // Per byte, with no carry into the next: the top bit says low7 >= 'A', then low7 > 'Z'.
    const std::uint64_t fromA = low7 + (0x80 - 'A') * kOnes;
    const std::uint64_t pastZ = low7 + (0x80 - 'Z' - 1) * kOnes;
    const std::uint64_t upper = fromA & ~pastZ & ~word & kHigh;
    return word | (upper >> 2);
}

// Packs a name of at most kLongestName characters, lower-cased: the table's names when the
// program is compiled, the looked-up name when it runs.
constexpr PackedName pack(const char* name, std::size_t length)
{
    PackedName packed{0, 0, length};
    const std::size_t inLow = length < 8 ? length : 8;
    for (std::size_t i = 0; i < inLow; ++i) {
        packed.low |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i);
    }
    for (std::size_t i = 8; i < length; ++i) {
        packed.high |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[i])) << (8 * (i - 8));
    }
    packed.low = lowerWord(packed.low);
    packed.high = lowerWord(packed.high);
    return packed;
}

constexpr std::size_t nameLength(const char* name) { return std::char_traits<char>::length(name); }

constexpr std::size_t slotOf(const PackedName& name)
{
    const std::uint64_t mixed = (name.low ^ (name.high * 0xC2B2AE3D27D4EB4Full) ^ name.length) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(mixed >> 55) & (kSlots - 1);
}

template <std::size_t N>
struct HashIndex {
    std::uint16_t slots[kSlots];
    PackedName names[N];
};

template <std::size_t N>
constexpr HashIndex<N> makeIndex(const KeyName (&names)[N])
{
    HashIndex<N> index{};
    for (std::size_t row = 0; row < N; ++row) {
        index.names[row] = pack(names[row].name, nameLength(names[row].name));
        std::size_t slot = slotOf(index.names[row]);
        bool taken = false;
        while (index.slots[slot] != 0 && !taken) {
            taken = index.names[index.slots[slot] - 1] == index.names[row];
            slot = (slot + 1) & (kSlots - 1);
        }
        if (!taken) index.slots[slot] = static_cast<std::uint16_t>(row + 1);
    }
    return index;
}

template <std::size_t N>
constexpr std::size_t longestName(const KeyName (&names)[N])
{
    std::size_t longest = 0;
    for (const KeyName& key : names) longest = nameLength(key.name) > longest ? nameLength(key.name) : longest;
    return longest;
}

static_assert(longestName(kMainNames) <= kLongestName && longestName(kKeypadNames) <= kLongestName,
              "every key name fits a packed name");

constexpr auto kMainIndex = makeIndex(kMainNames);
constexpr auto kKeypadIndex = makeIndex(kKeypadNames);

template <std::size_t N>
std::int32_t find(const KeyName (&names)[N], const HashIndex<N>& index, const PackedName& name)
{
    for (std::size_t slot = slotOf(name); index.slots[slot] != 0; slot = (slot + 1) & (kSlots - 1)) {
        const std::size_t row = index.slots[slot] - 1u;
        if (index.names[row] == name) return names[row].number;
    }
    return 0;
}

}  // namespace

KeyTable mainKeyTable() { return {kMainNames, sizeof kMainNames / sizeof kMainNames[0]}; }

KeyTable keypadKeyTable() { return {kKeypadNames, sizeof kKeypadNames / sizeof kKeypadNames[0]}; }

std::int32_t lookupKeyName(const char* name, std::size_t length, bool keypad, bool caseMarker,
                           std::int32_t& caseCode)
{
    if (caseMarker && length == 1) {
        const char c = name[0];
        caseCode = c >= 'A' && c <= 'Z' ? 2 : c >= 'a' && c <= 'z' ? 4 : 0;
    }
    if (length == 0 || length > kLongestName) return 0;
    const PackedName packed = pack(name, length);
    return keypad ? find(kKeypadNames, kKeypadIndex, packed) : find(kMainNames, kMainIndex, packed);
}
