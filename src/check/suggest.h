// SPDX-License-Identifier: MIT
// Nearest spellings for the "did you mean" notes of the checker.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/key_table.h"

// Edit distance counting insertions, deletions, substitutions and swaps of two neighbours, or
// limit + 1 when it is larger than limit (found without working it out).
int editDistance(std::string_view a, std::string_view b, int limit);

// The names of table closest to name (compared in lower case), when one is close enough to be
// a likely typo: at most three, the nearest first; none when none is.
std::vector<std::string> closestKeyNames(std::string_view name, const KeyTable& table);

// The statement keywords closest to word ("IN", "PREL", "REVX", "REVY", "MSET", "ROT1" ...), as
// above.
std::vector<std::string> closestKeywords(std::string_view word);

// Names quoted for a message: "'shift'", "'f1' or 'f3'", "'a', 'b' or 'c'".
std::string quotedList(const std::vector<std::string>& names);

// The entry text for a common other name of a key, compared in lower case with '_', '-' and
// blanks left out: "return" gives "enter", "arrow_up" "up", "numpad7" "(n)7", "KP_Enter"
// "(n)enter", "super" "win", "option" "alt", "page up" "pageup". Empty when there is none.
std::string keySynonym(std::string_view name);

// For key names joined by '+' ("ctrl+c", "Ctrl+Alt+Del"), the entries that press, type and
// release them: "[(+)ctrl][c][(-)ctrl]". Empty when name is no such combination.
std::string combinationEntries(std::string_view name);
