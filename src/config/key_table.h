// SPDX-License-Identifier: MIT
// Key names of the configuration language and their key numbers: 1 ... 126 for a key
// position, plus 128 for the character that key types with Shift, 0 for an unknown name.
#pragma once

#include <cstddef>
#include <cstdint>

struct KeyName {
    const char* name;  // lower case
    int number;
};

struct KeyTable {
    const KeyName* names;
    std::size_t count;
};

KeyTable mainKeyTable();
KeyTable keypadKeyTable();

// Looks the length characters of name up, in any case, in the keypad table when keypad is
// set, else in the main table. Under the case marker a one-character name sets caseCode: 2
// for an upper-case letter, 4 for a lower-case one, 0 for any other character; otherwise
// caseCode is left as it was.
std::int32_t lookupKeyName(const char* name, std::size_t length, bool keypad, bool caseMarker,
                           std::int32_t& caseCode);
