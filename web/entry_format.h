// SPDX-License-Identifier: MIT
// Writes the entries of a compiled image back as configuration text, for the page's visual
// editor: each stored entry as the text of one bracketed entry that compiles to the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/config_image.h"

// The text between the brackets of slot (0-based) of input's (1 ... 72) long or short
// sequence, NUL-terminated in out (at least 16 bytes). Returns its length; 0 for an empty
// slot (second byte 0).
int formatEntry(const ConfigImage& image, int input, bool isLong, int slot, char* out);

// The first name of a key number in the main (keypad false) or keypad table, nullptr when the
// table has none. The space key is written "space".
const char* keyNameOf(int number, bool keypad);
