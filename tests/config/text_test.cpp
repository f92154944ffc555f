// The text primitives that every part of the compiler parses with.
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "config/text.h"

namespace {

TEST(TakePrefix, CutsFromTheFrontAndLeavesTheRest)
{
    TextCursor cursor;
    setText(cursor, "abcdef");
    char dest[kTextBufferSize];

    takePrefix(dest, cursor, 2);
    EXPECT_STREQ(dest, "ab");
    EXPECT_STREQ(restOf(cursor), "cdef");
    EXPECT_EQ(restLength(cursor), 4u);

    takePrefix(dest, cursor, 0);
    EXPECT_STREQ(dest, "");
    EXPECT_STREQ(restOf(cursor), "cdef");

    takePrefix(dest, cursor, 10);  // more than is left: cut down to the rest
    EXPECT_STREQ(dest, "cdef");
    EXPECT_TRUE(atEnd(cursor));

    std::memset(dest, 'x', 8);
    takePrefix(dest, cursor, 3);  // nothing left: an empty, terminated text
    EXPECT_STREQ(dest, "");
    EXPECT_TRUE(atEnd(cursor));
}

TEST(SetText, KeepsAtMost255Characters)
{
    const std::string longText(300, 'q');
    TextCursor cursor;
    setText(cursor, longText.c_str());
    EXPECT_EQ(restLength(cursor), 255u);
    EXPECT_EQ(std::string(restOf(cursor)), std::string(255, 'q'));
}

TEST(ToLowerAscii, ChangesOnlyCapitalLetters)
{
    // The neighbours of "A" and "Z" and bytes above 0x7F must stay as they are.
    char text[] = "AZaz@[`{09 \xC0\xC9\xDA\xFF";
    toLowerAscii(text);
    EXPECT_STREQ(text, "azaz@[`{09 \xC0\xC9\xDA\xFF");
}

struct ClassCase {
    const char* text;
    bool digits;
    bool letters;
};

TEST(CharacterClasses, DigitsAndLetters)
{
    const ClassCase cases[] = {
        {"", true, true},
        {"0123456789", true, false},
        {"abcxyzABCXYZ", false, true},
        {"12a", false, false},
        {"/", false, false},   // just below "0"
        {":", false, false},   // just above "9"
        {"@", false, false},   // just below "A"
        {"[", false, false},   // just above "Z"
        {"`", false, false},   // just below "a"
        {"{", false, false},   // just above "z"
        {" 1", false, false},
        {"\xB9", false, false},  // superscript one in Latin-1
        {"\xC4", false, false},  // A with diaeresis in Latin-1
        {"1\n", false, false},
    };
    for (const ClassCase& c : cases) {
        EXPECT_EQ(isAllDigits(c.text), c.digits) << '"' << c.text << '"';
        EXPECT_EQ(isAllLetters(c.text), c.letters) << '"' << c.text << '"';
    }
}

struct DecimalCase {
    const char* text;
    std::int32_t value;
};

TEST(DecimalValue, WrapsInThirtyTwoBitsAndTakesBytesAsSigned)
{
    const DecimalCase cases[] = {
        {"", 0},
        {"0", 0},
        {"42", 42},
        {"007", 7},
        {"250", 250},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MIN},
        {"4294967295", -1},
        {"4294967296", 0},
        {"4294967546", 250},
        {"9999999999", 1410065407},
        {"12345678901", -539222987},
        {"1a", 59},       // 1 * 10 + ('a' - '0')
        {"-1", -29},      // ('-' - '0') * 10 + 1
        {":", 10},
        {" ", -16},
        {"\x80", -176},   // -128 - 48
        {"\xFF" "5", -485},  // (-1 - 48) * 10 + 5: signed, so not 2075
        {"\xFF\xFF\xFF", -5439},
    };
    for (const DecimalCase& c : cases) {
        EXPECT_EQ(decimalValue(c.text), c.value) << '"' << c.text << '"';
    }
}

struct FindCase {
    const char* text;
    char c;
    int from;
    int index;
};

TEST(FindChar, FirstAtOrAfterFrom)
{
    const FindCase cases[] = {
        {"a]b]", ']', 0, 1},
        {"a]b]", ']', 1, 1},
        {"a]b]", ']', 2, 3},
        {"a]b]", ']', 4, -1},
        {"a]b]", ']', 40, -1},
        {"abc", ']', 0, -1},
        {"", ']', 0, -1},
        {"]", ']', 0, 0},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(findChar(c.text, c.c, c.from), c.index) << '"' << c.text << "\" from " << c.from;
    }
}

}  // namespace
