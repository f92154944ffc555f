// Nearest spellings for the "did you mean" notes of the checker.
#pragma once

#include <string>
#include <string_view>

#include "config/key_table.h"

// Edit distance counting insertions, deletions, substitutions and swaps of two neighbours.
int editDistance(std::string_view a, std::string_view b);

// The names of table closest to name (compared in lower case), when one is close enough to be
// a likely typo: "'shift'", "'f1' or 'f3'", "'a', 'b' or 'c'". Empty when none is.
std::string closestKeyNames(std::string_view name, const KeyTable& table);

// The statement keyword closest to word ("IN", "PREL", "REVX", "REVY", "MSET", "ROT1" ...),
// quoted as above, or empty.
std::string closestKeyword(std::string_view word);
