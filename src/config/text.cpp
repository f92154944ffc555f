// SPDX-License-Identifier: MIT
#include "config/text.h"

#include <cstring>

void setText(TextCursor& cursor, const char* s)
{
    const void* end = std::memchr(s, '\0', kTextBufferSize - 1);
    cursor.text = s;
    cursor.pos = 0;
    cursor.len = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - s) : kTextBufferSize - 1;
}

void toLowerAscii(char* text)
{
    for (; *text != '\0'; ++text) {
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
    }
}

bool isAllDigits(const char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

bool isAllDigits(const char* text) { return isAllDigits(text, std::strlen(text)); }

std::int32_t decimalValue(const char* text, std::size_t length)
{
    // Unsigned arithmetic wraps without undefined behaviour; the final conversion gives the
    // two's-complement value.
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const auto digit = static_cast<std::int32_t>(static_cast<signed char>(text[i])) - '0';
        value = value * 10u + static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t decimalValue(const char* text) { return decimalValue(text, std::strlen(text)); }
