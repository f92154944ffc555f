// SPDX-License-Identifier: MIT
// The parsed forms of one configuration line and of one bracketed entry.
#pragma once

#include <cstdint>

#include "config/config_image.h"

// Statement kinds: 1 ... 72 input number, then the option statements.
constexpr int kKindPrel = 73;
constexpr int kKindRevx = 74;
constexpr int kKindRevy = 75;
constexpr int kKindMset0 = 76;  // ... 79 for MSET:3
constexpr int kKindRot1 = 80;   // ... 83 for ROT4

struct SequenceEntry {
    std::int32_t code;  // key number, raw value, or the number of a value entry
    std::uint8_t plus;
    std::uint8_t minus;
    std::uint8_t keypad;
    std::uint8_t caseMarker;
    std::int32_t caseCode;  // 0, 2 or 4
    std::uint8_t isValue;
};

struct Statement {
    std::int32_t kind;
    std::uint8_t isLong;  // 1 for ":", 0 for "|"
    std::uint8_t rFlag;
    std::uint8_t sFlag;
    SequenceEntry entries[kLongSlots];
};

// Inline: the compiler clears an entry for every bracketed entry of every line.
inline void clearEntry(SequenceEntry& entry) { entry = SequenceEntry{}; }
inline void clearStatement(Statement& statement) { statement = Statement{}; }
