// SPDX-License-Identifier: MIT
// Windows only: the programs keep text in UTF-8 and meet the system's UTF-16 calls at the
// edges through these conversions. Bytes that are no UTF-8 become U+FFFD.
#pragma once

#include <string>
#include <vector>

std::wstring widen(const char* utf8);
std::string narrow(const wchar_t* wide);

// The program's arguments in UTF-8: args holds the texts; the result points into it, argc
// pointers and a nullptr after them, as main's argv.
std::vector<char*> utf8Arguments(int argc, wchar_t** wide, std::vector<std::string>& args);
