// SPDX-License-Identifier: MIT
// Small text primitives shared by all parsing in the compiler. Texts are NUL-terminated
// single-byte strings held in fixed 256-byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kTextBufferSize = 256;  // lines, entry texts and paths: 255 characters + NUL

// A line (or an entry's text) that parsing consumes from the front. The cursor looks at text
// held elsewhere (the line buffer, or the line for an entry); taking characters advances pos,
// so nothing is copied and a line costs linear time. The text holds no NUL before len.
struct TextCursor {
    const char* text;
    std::size_t pos;  // first character not yet taken
    std::size_t len;
};

// Puts the cursor at the front of at most 255 characters of s, up to its NUL. s must outlive
// the cursor.
void setText(TextCursor& cursor, const char* s);

// The part [from, from + length) of another cursor's text, as a cursor of its own.
inline TextCursor subText(const TextCursor& cursor, std::size_t from, std::size_t length)
{
    return TextCursor{cursor.text + from, 0, length};
}

inline const char* restOf(const TextCursor& cursor) { return cursor.text + cursor.pos; }
inline std::size_t restLength(const TextCursor& cursor) { return cursor.len - cursor.pos; }
inline bool atEnd(const TextCursor& cursor) { return cursor.pos >= cursor.len; }

// Copies the first n characters of the rest (fewer if it is shorter) to dest, terminates
// them and removes them from the rest. dest must hold n + 1 bytes.
inline void takePrefix(char* dest, TextCursor& cursor, std::size_t n)
{
    const std::size_t available = restLength(cursor);
    if (n > available) n = available;
    for (std::size_t i = 0; i < n; ++i) dest[i] = cursor.text[cursor.pos + i];
    dest[n] = '\0';
    cursor.pos += n;
}

// Whether two NUL-terminated texts are equal: for the few characters of a keyword, a loop
// here costs less than a library call.
inline bool sameText(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Drops everything that is left.
inline void dropRest(TextCursor& cursor) { cursor.pos = cursor.len; }

// "A" ... "Z" become "a" ... "z" in place; every other byte stays.
void toLowerAscii(char* text);

// True when every character is "0" ... "9"; the empty text counts.
bool isAllDigits(const char* text, std::size_t length);
bool isAllDigits(const char* text);

// value = value * 10 + (c - '0') for every character taken as a signed byte, with no digit
// check, wrapping in 32-bit two's complement. The empty text gives 0.
std::int32_t decimalValue(const char* text, std::size_t length);
std::int32_t decimalValue(const char* text);
