// SPDX-License-Identifier: MIT
// The key names of both tables, for "pylocheck --list-keys".
#pragma once

#include <cstdio>

// One line per name: table ("main" or "keypad"), key number, name. A shifted character also
// shows the key it is typed on; the single-space name is shown as "(space)".
void printKeyList(std::FILE* out);
