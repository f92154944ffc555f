// SPDX-License-Identifier: MIT
#include "entry_format.h"

#include <cstdio>
#include <cstring>

#include "config/key_table.h"

namespace {

const char* firstName(const KeyTable& table, int number)
{
    for (std::size_t i = 0; i < table.count; ++i) {
        if (table.names[i].number == number) {
            return std::strcmp(table.names[i].name, " ") == 0 ? "space" : table.names[i].name;
        }
    }
    return nullptr;
}

int put(char* out, const char* prefix, const char* name)
{
    return std::snprintf(out, 16, "%s%s", prefix, name);
}

}  // namespace

const char* keyNameOf(int number, bool keypad)
{
    return firstName(keypad ? keypadKeyTable() : mainKeyTable(), number);
}

int formatEntry(const ConfigImage& image, int input, bool isLong, int slot, char* out)
{
    out[0] = '\0';
    const std::size_t base = sequenceOffset(input, isLong);
    const std::size_t at = base + 2 * static_cast<std::size_t>(slot);
    std::uint8_t first = image.bytes[at];
    const std::uint8_t second = image.bytes[at + 1];
    if (second == 0) return 0;
    const bool raw = (image.bytes[base] & kSequenceSFlag) != 0;
    if (slot == 0) first = static_cast<std::uint8_t>(first & ~(kSequenceSFlag | kSequenceRFlag));
    if (first == kEntryValue) return std::snprintf(out, 16, "(d)%d", second);
    if (raw) return std::snprintf(out, 16, "%d", second + ((first & kEntryShifted) != 0 ? 128 : 0));

    const int number = second + ((first & kEntryShifted) != 0 ? 128 : 0);
    char prefix[8] = "";
    if ((first & kEntryPlus) != 0) std::strcat(prefix, "(+)");
    if ((first & kEntryMinus) != 0) std::strcat(prefix, "(-)");
    if (const char* pad = firstName(keypadKeyTable(), number)) {
        std::strcat(prefix, "(n)");
        return put(out, prefix, pad);
    }
    const char* name = firstName(mainKeyTable(), number);
    if (name == nullptr) return put(out, prefix, "?");
    if ((first & (kEntryUpper | kEntryLower)) != 0 && name[1] == '\0') {
        std::strcat(prefix, "(~)");
        const char letter = (first & kEntryUpper) != 0 ? static_cast<char>(name[0] - 'a' + 'A') : name[0];
        return std::snprintf(out, 16, "%s%c", prefix, letter);
    }
    return put(out, prefix, name);
}
