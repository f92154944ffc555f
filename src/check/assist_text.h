// SPDX-License-Identifier: MIT
// Wordings that the editor help of assist.h and the checker's messages share. Internal to
// src/check.
#pragma once

#include <cstdint>
#include <string>

#include "config/statement.h"

// "key 44 (also lshift, leftshift)", "key 155: Shift + key 27, types '{'", "keypad key 91,
// types '7'": a key number as the table names it.
std::string keyDetail(int number, bool keypad);

// What a marker "(x)" does, by its character: in an ordinary entry or in a raw one.
const char* markerMeaning(char marker, bool raw);

// What an option statement sets in the image: "bit 0x80 of option byte 1 (offset 8189)".
std::string optionEffect(const Statement& statement);

// The name of an option statement as written: "PREL:Y", "MSET:2", "ROT3:Y".
std::string optionName(int kind);

// "in07:", "in07|": the head of an input statement as written.
std::string sequenceHead(int input, bool isLong);

// "long sequence of input 07", "short sequence of input 07".
std::string sequenceName(int input, bool isLong);

// An option statement's columns in a read of length: its keyword, colon and value; what follows
// is ignored.
int optionLength(int length);

// "0x2c"
std::string hexByte(std::uint8_t byte);
