// One bracketed entry's text: markers, key names, raw values and value entries.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "config/entry_parser.h"
#include "config_testing.h"

namespace {

struct KeyCase {
    std::string text;
    bool accepted;
    std::int32_t code;
    int plus, minus, keypad, caseMarker;
    std::int32_t caseCode;
    int isValue;
};

void expectEntry(const SequenceEntry& e, const KeyCase& c)
{
    const std::string where = "entry text \"" + visible(c.text) + '"';
    EXPECT_EQ(e.code, c.code) << where;
    EXPECT_EQ(e.plus, c.plus) << where;
    EXPECT_EQ(e.minus, c.minus) << where;
    EXPECT_EQ(e.keypad, c.keypad) << where;
    EXPECT_EQ(e.caseMarker, c.caseMarker) << where;
    EXPECT_EQ(e.caseCode, c.caseCode) << where;
    EXPECT_EQ(e.isValue, c.isValue) << where;
}

SequenceEntry dirtyEntry()
{
    SequenceEntry e;
    e.code = 77;
    e.plus = e.minus = e.keypad = e.caseMarker = e.isValue = 1;
    e.caseCode = 4;
    return e;
}

TEST(ParseKeyEntry, MarkersNamesAndValues)
{
    //  text                accepted code plus minus keypad case caseCode value
    const KeyCase cases[] = {
        {"a", true, 31, 0, 0, 0, 0, 0, 0},
        {"A", true, 31, 0, 0, 0, 0, 0, 0},
        {"(+)a", true, 31, 1, 0, 0, 0, 0, 0},
        {"(-)a", true, 31, 0, 1, 0, 0, 0, 0},
        {"(+)(+)a", true, 31, 1, 0, 0, 0, 0, 0},
        {"(x)a", true, 31, 0, 0, 0, 0, 0, 0},
        {"(xy)a", true, 0, 0, 0, 0, 0, 0, 0},   // "(xy" is no marker; ")a" is the name
        {"a(+)", true, 0, 0, 0, 0, 0, 0, 0},
        {"(n)7", true, 91, 0, 0, 1, 0, 0, 0},
        {"(N)enter", true, 108, 0, 0, 1, 0, 0, 0},
        {"7", true, 8, 0, 0, 0, 0, 0, 0},
        {"(n)x", true, 0, 0, 0, 1, 0, 0, 0},
        {"(~)A", true, 31, 0, 0, 0, 1, 2, 0},
        {"(~)a", true, 31, 0, 0, 0, 1, 4, 0},
        {"(~)1", true, 2, 0, 0, 0, 1, 0, 0},
        {"(~)shift", true, 44, 0, 0, 0, 1, 0, 0},
        {"(~)(n)A", true, 0, 0, 0, 1, 1, 2, 0},
        {"(d)100", true, 100, 0, 0, 0, 0, 0, 1},
        {"(D)5", true, 5, 0, 0, 0, 0, 0, 1},
        {"(d)250", true, 250, 0, 0, 0, 0, 0, 1},
        {"(d)251", true, 250, 0, 0, 0, 0, 0, 1},
        {"(d)300", true, 250, 0, 0, 0, 0, 0, 1},
        {"(d)999999999", true, 250, 0, 0, 0, 0, 0, 1},
        {"(d)4294967295", true, -1, 0, 0, 0, 0, 0, 1},          // wraps to -1: not capped
        {"(d)12345678901", true, -539222987, 0, 0, 0, 0, 0, 1},
        {"(d)9999999999", true, 250, 0, 0, 0, 0, 0, 1},          // wraps to a large positive
        {"(d)-1", true, -29, 0, 0, 0, 0, 0, 1},
        {"(d)\xFF" "5", true, -485, 0, 0, 0, 0, 0, 1},
        {"(d)shift", true, 250, 0, 0, 0, 0, 0, 1},               // no digit check at all
        {"(d)", true, 0, 0, 0, 0, 0, 0, 1},
        {"(~)(d)A", true, 17, 0, 0, 0, 1, 0, 1},                 // no case code for a value
        {"", true, 0, 0, 0, 0, 0, 0, 0},
        {"(+)", true, 0, 1, 0, 0, 0, 0, 0},
        {"(", true, 0, 0, 0, 0, 0, 0, 0},                        // "(" can never be a name
        {"(+", true, 0, 0, 0, 0, 0, 0, 0},
        {" ", true, 61, 0, 0, 0, 0, 0, 0},
        {" a", true, 0, 0, 0, 0, 0, 0, 0},
        // Refused: both direction markers. What was read before the refusal stays.
        {"(+)(-)a", false, 0, 1, 0, 0, 0, 0, 0},
        {"(-)(+)a", false, 0, 0, 1, 0, 0, 0, 0},
        {"(~)(n)(-)(d)(+)A", false, 0, 0, 1, 1, 1, 0, 1},
        {"(+)(x)(-)", false, 0, 1, 0, 0, 0, 0, 0},
    };
    for (const KeyCase& c : cases) {
        TextCursor text;
        setText(text, c.text.c_str());
        SequenceEntry e = dirtyEntry();
        EXPECT_EQ(parseKeyEntry(text, e), c.accepted) << '"' << visible(c.text) << '"';
        expectEntry(e, c);
    }
}

struct RawCase {
    std::string text;
    std::int32_t code;
    int isValue;
};

TEST(ParseRawEntry, NumbersCharactersAndValues)
{
    const RawCase cases[] = {
        {"65", 65, 0},
        {"A", 65, 0},
        {"a", 97, 0},
        {"007", 7, 0},
        {"1234", 123, 0},
        {"12a", 49, 0},
        {"300", 300, 0},
        {"999", 999, 0},
        {"-5", 45, 0},
        {"\xE9", 233, 0},      // taken as unsigned here
        {"\xEF\xBB\xBF", 239, 0},
        {"", 0, 0},
        {"0", 0, 0},
        {"(+)65", 65, 0},      // key markers are ignored
        {"(-)(n)(~)a", 97, 0},
        {"(+)(-)65", 65, 0},   // and never refuse a raw entry
        {"(d)20", 20, 1},
        {"(D)300", 250, 1},
        {"(d)4294967295", -1, 1},
        {"(d)", 0, 1},
        {"(", 0, 0},
        {"a(d)", 97, 0},
    };
    for (const RawCase& c : cases) {
        TextCursor text;
        setText(text, c.text.c_str());
        SequenceEntry e = dirtyEntry();
        parseRawEntry(text, e);
        const std::string where = "raw text \"" + visible(c.text) + '"';
        EXPECT_EQ(e.code, c.code) << where;
        EXPECT_EQ(e.isValue, c.isValue) << where;
        EXPECT_EQ(e.plus, 0) << where;
        EXPECT_EQ(e.minus, 0) << where;
        EXPECT_EQ(e.keypad, 0) << where;
        EXPECT_EQ(e.caseMarker, 0) << where;
        EXPECT_EQ(e.caseCode, 0) << where;
    }
}

TEST(RawValue, ThreeDigitsOrTheFirstByte)
{
    const RawCase cases[] = {
        {"", 0, 0},    {"0", 0, 0},     {"9", 9, 0},        {"65", 65, 0},
        {"999", 999, 0}, {"1000", 100, 0}, {"0001", 0, 0},   {"12a", 49, 0},
        {"1a2", 49, 0}, {"a12", 97, 0},  {" 12", 32, 0},     {"\xFF" "12", 255, 0},
        {"\x80", 128, 0},
    };
    for (const RawCase& c : cases) EXPECT_EQ(rawValue(c.text.c_str()), c.code) << '"' << visible(c.text) << '"';
}

}  // namespace
