#include "config/text.h"

#include <cstring>

void setText(TextCursor& cursor, const char* s)
{
    std::size_t n = 0;
    while (n < kTextBufferSize - 1 && s[n] != '\0') {
        cursor.text[n] = s[n];
        ++n;
    }
    cursor.text[n] = '\0';
    cursor.pos = 0;
    cursor.len = n;
}

void toLowerAscii(char* text)
{
    for (; *text != '\0'; ++text) {
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
    }
}

bool isAllDigits(const char* text)
{
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') return false;
    }
    return true;
}

bool isAllLetters(const char* text)
{
    for (; *text != '\0'; ++text) {
        const char c = *text;
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    }
    return true;
}

std::int32_t decimalValue(const char* text)
{
    // Unsigned arithmetic wraps without undefined behaviour; the final conversion gives the
    // two's-complement value.
    std::uint32_t value = 0;
    for (; *text != '\0'; ++text) {
        const auto digit = static_cast<std::int32_t>(static_cast<signed char>(*text)) - '0';
        value = value * 10u + static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

int findChar(const char* text, char c, int from)
{
    if (from < 0) from = 0;
    // Only the part before from is measured: the search itself stops at the end of the text.
    for (int i = 0; i < from; ++i) {
        if (text[i] == '\0') return -1;
    }
    if (c == '\0') return -1;
    const char* hit = std::strchr(text + from, c);
    return hit != nullptr ? static_cast<int>(hit - text) : -1;
}
