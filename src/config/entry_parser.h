// SPDX-License-Identifier: MIT
// One bracketed entry of an input statement: markers "(x)" followed by a key name, a raw
// value, or (under "(d)") a number up to 250.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/parse_observer.h"
#include "config/statement.h"
#include "config/text.h"

constexpr std::int32_t kValueCap = 250;

// Parses a key entry. False only when the entry carries both "(+)" and "(-)"; the markers
// read up to the refusal stay in entry. A report, when given, receives where the name starts
// and where the refused marker stands.
bool parseKeyEntry(TextCursor& text, SequenceEntry& entry, EntryReport* report = nullptr);

// Parses a raw entry (a statement with the S flag). Always succeeds.
void parseRawEntry(TextCursor& text, SequenceEntry& entry, EntryReport* report = nullptr);

// The first three characters, when all are digits, give their value (0 ... 999); any other
// text gives the byte value of its first character; the empty text gives 0.
std::int32_t rawValue(const char* text, std::size_t length);
