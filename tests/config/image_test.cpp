// Whole files compiled through readConfigFile and compared, all 8196 bytes, against images
// built here from (offset, bytes) runs.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_reader.h"
#include "config_testing.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct ImageCase {
    const char* label;
    std::string text;
    std::vector<ByteRun> expected;
};

Bytes times(const Bytes& unit, int count)
{
    Bytes out;
    for (int i = 0; i < count; ++i) out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

Bytes concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string repeat(const std::string& unit, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) out += unit;
    return out;
}

// Names the case instead of dumping its bytes.
void PrintTo(const ImageCase& c, std::ostream* os) { *os << c.label; }

class CompiledImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(CompiledImage, MatchesByteForByte)
{
    const ImageCase& c = GetParam();
    EXPECT_TRUE(sameImage(imageOf(c.expected), compileText(c.text))) << "file \"" << visible(c.text) << '"';
}

std::string caseName(const ::testing::TestParamInfo<ImageCase>& info) { return info.param.label; }

INSTANTIATE_TEST_SUITE_P(Statements, CompiledImage, ::testing::Values(
    ImageCase{"EmptyFile", "", {}},
    ImageCase{"NoStatements", "hello\n  prel:y\n; in01:[a]\n\n", {}},
    ImageCase{"Typical", "in03:[(+)shift][a]\n", {{longAt(3), {0x08, 0x2C, 0x00, 0x1F}}}},
    ImageCase{"LaterStatementRewritesWholeSequence", "in05:[a][b][c]\nin05|[x]\nin05:[b][c]\n",
              {{longAt(5), {0x00, 0x32, 0x00, 0x30, 0x00, 0x00}}, {shortAt(5), {0x00, 0x2F}}}},
    ImageCase{"LaterStatementDropsTheRFlag", "in05:<R>[a]\nin05:[b]\n", {{longAt(5), {0x00, 0x32}}}},
    ImageCase{"LaterEmptyStatementClearsAll", "in16:[a][b]\nin16:[shift\n", {}},
    ImageCase{"OtherSequenceLeftAlone", "in05:<R><S>[65][66]\nin05|<R>[b]\n",
              {{longAt(5), {0xA0, 0x41, 0x00, 0x42}}, {shortAt(5), {0x80, 0x32}}}},
    ImageCase{"RejectedLinesLeaveTheSequence", "in01:[a]\nin01:<X>[b]\nin01;[c]\nin1:[d]\n",
              {{longAt(1), {0x00, 0x1F}}}},
    ImageCase{"InputBoundaries", "in01:[a]\nin72:[b]\nin72|[c]\nin36|[d]\n",
              {{longAt(1), {0x00, 0x1F}}, {longAt(72), {0x00, 0x32}}, {shortAt(72), {0x00, 0x30}},
               {shortAt(36), {0x00, 0x21}}}},
    ImageCase{"KeywordsInAnyCase", "IN01:[A]\nIn02|[b]\nPrEl:Y\nROT3:Y\nMsEt:1\nREVY:Y\n",
              {{longAt(1), {0x00, 0x1F}}, {shortAt(2), {0x00, 0x32}}, {kOpt0, {0x04}}, {kOpt1, {0x96}}}},
    ImageCase{"KeywordsInFirstColumnOnly", " in01:[a]\n\tprel:y\n.rot1:y\n[a]in02:[a]\n", {}}), caseName);

INSTANTIATE_TEST_SUITE_P(Flags, CompiledImage, ::testing::Values(
    ImageCase{"RFlagOnEmptySequence", "in01:<R>\n", {{longAt(1), {0x80}}}},
    ImageCase{"RFlagRewritesEarlierEntries", "in01:[a][b]\nin01:<R>\n", {{longAt(1), {0x80}}}},
    ImageCase{"RFlagOnShortSequenceOf72", "in72|<r>\n", {{shortAt(72), {0x80}}}},
    ImageCase{"RAndSOnValueEntry", "in01:<R><S>[(d)7]\n", {{longAt(1), {0xE0, 0x07}}}},
    ImageCase{"ROnValueEntry", "in02:<R>[(d)250]\n", {{longAt(2), {0xC0, 0xFA}}}},
    ImageCase{"SOnZeroValue", "in03:<S>[(d)0]\n", {{longAt(3), {0x60, 0x00}}}},
    ImageCase{"ROnShiftedKey", "in04:<R>[!]\n", {{longAt(4), {0x81, 0x02}}}},
    ImageCase{"ROnMarkedKey", "in05:<R>[(+)(~)A]\n", {{longAt(5), {0x8A, 0x1F}}}},
    ImageCase{"ROnEmptyEntry", "in06:<R>[][a]\n", {{longAt(6), {0x80, 0x00, 0x00, 0x1F}}}},
    ImageCase{"SAndRWithoutEntries", "in07|<S><R>\n", {{shortAt(7), {0xA0}}}},
    ImageCase{"ThirdMarkerIsText", "in08:<R><R><S>[a]\n", {{longAt(8), {0x80, 0x1F}}}},
    ImageCase{"MarkerAfterBlankIsText", "in09: <R>[a]\n", {{longAt(9), {0x00, 0x1F}}}},
    ImageCase{"FlagsOnlyInFirstSlot", "in10:<R><S>[1][2][3]\n",
              {{longAt(10), {0xA0, 0x01, 0x00, 0x02, 0x00, 0x03}}}}), caseName);

INSTANTIATE_TEST_SUITE_P(Entries, CompiledImage, ::testing::Values(
    ImageCase{"KeyEncodings",
              "in01:[(+)(~)A][(-)(~)b][!][~][\"][?][}][(n)enter][enter][ ][(~)1][(+)(+)a][(x)a][a(+)]"
              "[(~)(+)!][(-)(~)Z][(+)(~)|]\n",
              {{longAt(1), {0x0A, 0x1F, 0x14, 0x32, 0x01, 0x02, 0x01, 0x01, 0x01, 0x29, 0x01, 0x37,
                            0x01, 0x1C, 0x00, 0x6C, 0x00, 0x2B, 0x00, 0x3D, 0x00, 0x02, 0x08, 0x1F,
                            0x00, 0x1F, 0x00, 0x00, 0x09, 0x02, 0x12, 0x2E, 0x09, 0x1D}}}},
    ImageCase{"KeypadAndCase", "in02|[(n)7][7][(n)x][(N)/][(~)(n)A][(n)(~)q][(n)num]\n",
              {{shortAt(2), {0x00, 0x5B, 0x00, 0x08, 0x00, 0x00, 0x00, 0x5F, 0x02, 0x00, 0x04, 0x00,
                             0x00, 0x00}}}},
    ImageCase{"ValueEntries",
              "in02:[(d)100][(D)5][(d)250][(d)251][(d)999999999][(d)4294967295][(d)12345678901]"
              "[(d)9999999999][(d)-1][(d)\xFF" "5][(d)1a][(+)(d)5][(d)][(d)0][(~)(d)A]\n",
              {{longAt(2), {0x40, 0x64, 0x40, 0x05, 0x40, 0xFA, 0x40, 0xFA, 0x40, 0xFA, 0x40, 0xFF,
                            0x40, 0x35, 0x40, 0xFA, 0x40, 0xE3, 0x40, 0x1B, 0x40, 0x3B, 0x40, 0x05,
                            0x40, 0x00, 0x40, 0x00, 0x40, 0x11}}}},
    ImageCase{"RawEntries",
              "in03:<S>[200][256][300][A][12a][1234][007][(+)65][][\xE9][(d)20][(d)300][-5][0][128][127]\n",
              {{longAt(3), {0x21, 0x48, 0x01, 0x00, 0x01, 0x2C, 0x00, 0x41, 0x00, 0x31, 0x00, 0x7B,
                            0x00, 0x07, 0x00, 0x41, 0x00, 0x00, 0x01, 0x69, 0x40, 0x14, 0x40, 0xFA,
                            0x00, 0x2D, 0x00, 0x00, 0x01, 0x00, 0x00, 0x7F}}}},
    ImageCase{"RawEntryNeverRefused", "in09:<S>[(+)(-)65][(-)(+)66]\n", {{longAt(9), {0x20, 0x41, 0x00, 0x42}}}},
    ImageCase{"RefusedLastEntryKeepsPlus", "in04:[(+)(-)a]\n", {{longAt(4), {0x08, 0x00}}}},
    ImageCase{"RefusedLastEntryKeepsMinus", "in05:[a][(-)(+)b]\n", {{longAt(5), {0x00, 0x1F, 0x10, 0x00}}}},
    ImageCase{"RefusedEntryTakesNoSlot", "in06:[(+)(-)a][b]\n", {{longAt(6), {0x00, 0x32}}}},
    ImageCase{"RefusedEntryBetween", "in07:[a][(+)(-)x][c]\n", {{longAt(7), {0x00, 0x1F, 0x00, 0x30}}}},
    ImageCase{"RefusedValueEntry", "in08:[(d)(+)(-)5]\n", {{longAt(8), {0x40, 0x00}}}},
    ImageCase{"RefusedBeforeCaseCode", "in10:[(~)(+)(-)A]\n", {{longAt(10), {0x08, 0x00}}}},
    ImageCase{"RefusedWithRFlag", "in11:<R>[(-)(+)a]\n", {{longAt(11), {0x90, 0x00}}}}), caseName);

INSTANTIATE_TEST_SUITE_P(Brackets, CompiledImage, ::testing::Values(
    ImageCase{"ClosingBracketEntry", "in01:[]]\n", {{longAt(1), {0x00, 0x1C}}}},
    ImageCase{"OpeningBracketEntry", "in02:[[]\n", {{longAt(2), {0x00, 0x1B}}}},
    ImageCase{"OpeningBracketInsideText", "in03:[a[b]\n", {}},
    ImageCase{"ClosingBracketThenEntry", "in04:[]][a]\n", {{longAt(4), {0x00, 0x1C, 0x00, 0x1F}}}},
    ImageCase{"OpenInsideThenEntry", "in05:[a[b][c]\n", {{longAt(5), {0x00, 0x00, 0x00, 0x30}}}},
    ImageCase{"TrailingBracketJoinsName", "in06:[a]]\n", {}},
    ImageCase{"JunkBetweenEntries", "in07:[a] junk [b]\n", {{longAt(7), {0x00, 0x1F, 0x00, 0x32}}}},
    ImageCase{"UnclosedLastEntry", "in08:[a][b\n", {{longAt(8), {0x00, 0x1F}}}},
    ImageCase{"StrayClosingBracketFirst", "in09:]a[b]\n", {{longAt(9), {0x00, 0x32}}}},
    ImageCase{"EmptyEntryTakesSlot", "in10:[][a]\n", {{longAt(10), {0x00, 0x00, 0x00, 0x1F}}}},
    ImageCase{"DoubledBrackets", "in11:[[]][a]\n", {{longAt(11), {0x00, 0x00, 0x00, 0x1F}}}},
    ImageCase{"BothBracketsAsEntries", "in15:[[][]]\n", {{longAt(15), {0x00, 0x1B, 0x00, 0x1C}}}},
    ImageCase{"OpenParenthesisIsNoName", "in13:[(][a]\n", {{longAt(13), {0x00, 0x00, 0x00, 0x1F}}}},
    ImageCase{"BarAndColonAsNames", "in14:[|][:]\n", {{longAt(14), {0x01, 0x1D, 0x01, 0x28}}}}), caseName);

INSTANTIATE_TEST_SUITE_P(Limits, CompiledImage, ::testing::Values(
    ImageCase{"LongKeepsFirst32", "in01:" + repeat("[a]", 31) + "[b]" + repeat("[c]", 8) + "\n",
              {{longAt(1), concat(times({0x00, 0x1F}, 31), {0x00, 0x32})}}},
    ImageCase{"ShortKeepsFirst16", "in02|" + repeat("[a]", 15) + "[b]" + repeat("[c]", 5) + "\n",
              {{shortAt(2), concat(times({0x00, 0x1F}, 15), {0x00, 0x32})}}},
    ImageCase{"RefusedEntryNotCounted", "in03:[(+)(-)x]" + repeat("[a]", 31) + "[b][c]\n",
              {{longAt(3), concat(times({0x00, 0x1F}, 31), {0x00, 0x32})}}},
    ImageCase{"RawShortKeepsFirst16", "in04|<S>" + repeat("[1]", 16) + "[2]\n",
              {{shortAt(4), concat({0x20, 0x01}, times({0x00, 0x01}, 15))}}},
    ImageCase{"LastInputShortFull", "in72|" + repeat("[z]", 17) + "\n",
              {{shortAt(72), times({0x00, 0x2E}, 16)}}}), caseName);

INSTANTIATE_TEST_SUITE_P(Options, CompiledImage, ::testing::Values(
    ImageCase{"Rot2AndRot4", "rot2:y\nrot4:y\n", {{kOpt0, {0x0A}}}},
    ImageCase{"MsetLastWins", "mset:3\nmset:0\n", {{kOpt1, {0x10}}}},
    ImageCase{"MsetKeepsOtherBits", "mset:1\nprel:y\nrevx:y\nmset:2\n", {{kOpt1, {0x99}}}},
    ImageCase{"MsetReplacesOnlyItsField", "revy:y\nmset:3\nmset:1\n", {{kOpt1, {0x16}}}},
    ImageCase{"BadMsetLeavesField", "mset:2\nmset:4\nmset:x\nmset:\n", {{kOpt1, {0x18}}}},
    ImageCase{"OptionNotCleared", "prel:y\nprel:n\nrot1:y\nrot1:n\n", {{kOpt0, {0x01}}, {kOpt1, {0x80}}}},
    ImageCase{"EveryOption", "ROT1:Y\nrot2:y\nRot3:Y\nrot4:yes\nprel:y\nrevx:y\nrevy:y\nmset:3\n",
              {{kOpt0, {0x0F}}, {kOpt1, {0x9F}}}},
    ImageCase{"RepeatedOptions", "rot3:y\nrot3:y\nrevx:y\nrevx:y\n", {{kOpt0, {0x04}}, {kOpt1, {0x01}}}},
    ImageCase{"MsetAtEndWithoutNewline", "revx:y\nmset:", {{kOpt1, {0x11}}}},
    ImageCase{"MsetWithNewlineIgnored", "mset:\n", {}}), caseName);

// Line handling as the compiled image shows it.
INSTANTIATE_TEST_SUITE_P(Lines, CompiledImage, ::testing::Values(
    ImageCase{"NoFinalNewline", "in01:[a]\nprel:y", {{longAt(1), {0x00, 0x1F}}, {kOpt1, {0x80}}}},
    ImageCase{"CrLfFile", "in01:[a]\r\nprel:y\r\nmset:2\r\nin02|[b]\r\n",
              {{longAt(1), {0x00, 0x1F}}, {shortAt(2), {0x00, 0x32}}, {kOpt1, {0x98}}}},
    ImageCase{"LoneCrIsNoLineBreak", "in01:[a]\rin02:[c]\nprel:y\rrevx:y\n",
              {{longAt(1), {0x00, 0x1F, 0x00, 0x30}}, {kOpt1, {0x80}}}},
    ImageCase{"LoneCrInsideEntry", "in01:[a\r][b]\n", {{longAt(1), {0x00, 0x00, 0x00, 0x32}}}},
    ImageCase{"LoneCrAfterMset", "mset:\r", {}},
    ImageCase{"CtrlZEndsFile", "prel:y\n\x1Arevx:y\n", {{kOpt1, {0x80}}}},
    ImageCase{"CtrlZEndsLine", "in01:[a][b\x1A]\nin02:[c]\n", {{longAt(1), {0x00, 0x1F}}}},
    ImageCase{"CtrlZAfterMset", "mset:\x1A\nin01:[a]\n", {{kOpt1, {0x10}}}},
    ImageCase{"CtrlZFirst", "\x1Aprel:y\n", {}},
    ImageCase{"NulEndsTheTextOfALine", std::string("prel:y\0junk\nin01:[a]\0[b]\n", 25),
              {{kOpt1, {0x80}}, {longAt(1), {0x00, 0x1F}}}},
    ImageCase{"NulDoesNotEndTheLine", std::string("xx\0prel:y\nrevx:y\n", 17), {{kOpt1, {0x01}}}},
    ImageCase{"NulCountsTowardsTheLimit", std::string("\0", 1) + std::string(254, 'x') + "prel:y\n",
              {{kOpt1, {0x80}}}},
    ImageCase{"LongLineReadsAgainAt255", std::string(255, 'x') + "prel:y\n", {{kOpt1, {0x80}}}},
    ImageCase{"LongLineSplitsAt255Not254", std::string(254, 'x') + "prel:y\n", {}},
    ImageCase{"SplitLineGivesTwoStatements", "in01:" + std::string(244, ' ') + "[a][b]in02:[c]\n",
              {{longAt(1), {0x00, 0x1F, 0x00, 0x32}}, {longAt(2), {0x00, 0x30}}}},
    ImageCase{"SplitLineCutsEntry", "in01:" + std::string(245, ' ') + "[a][b]\n", {{longAt(1), {0x00, 0x1F}}}},
    ImageCase{"Line300", "in01:" + std::string(250, ' ') + "in02:[b]" + std::string(37, 'x') + "\n",
              {{longAt(2), {0x00, 0x32}}}}), caseName);

// A UTF-8 byte-order mark is skipped at the very start of the file and only there.
INSTANTIATE_TEST_SUITE_P(ByteOrderMark, CompiledImage, ::testing::Values(
    ImageCase{"AtStartIsSkipped", "\xEF\xBB\xBFprel:y\n", {{kOpt1, {0x80}}}},
    ImageCase{"AtStartBeforeInput", "\xEF\xBB\xBFin01:[a]\r\nrevx:y\r\n", {{longAt(1), {0x00, 0x1F}}, {kOpt1, {0x01}}}},
    ImageCase{"AtStartWithoutNewline", "\xEF\xBB\xBFmset:", {{kOpt1, {0x10}}}},
    ImageCase{"OnlyTheFirstIsSkipped", "\xEF\xBB\xBF\xEF\xBB\xBFprel:y\nrevx:y\n", {{kOpt1, {0x01}}}},
    ImageCase{"OnALaterLineIsText", "prel:y\n\xEF\xBB\xBFrevx:y\n", {{kOpt1, {0x80}}}},
    ImageCase{"InsideAnEntryIsText", "in01:<S>[\xEF\xBB\xBF]\n", {{longAt(1), {0x21, 0x6F}}}},
    ImageCase{"PartialMarkIsText", "\xEF\xBBprel:y\nrevy:y\n", {{kOpt1, {0x02}}}},
    ImageCase{"MarkAlone", "\xEF\xBB\xBF", {}},
    ImageCase{"MarkCountsNotTowardsTheLimit", "\xEF\xBB\xBF" + std::string(255, 'x') + "prel:y\n",
              {{kOpt1, {0x80}}}}), caseName);

TEST(ReadConfigFile, MissingFileIsFalseAndLeavesAClearedImage)
{
    ConfigImage image;
    image.bytes.fill(0x5A);
    EXPECT_FALSE(readConfigFile("/nonexistent-dir/pylo/none.txt", image));
    EXPECT_TRUE(sameImage(imageOf({}), image));
}

TEST(ReadConfigFile, SecondCompileStartsFromZero)
{
    TempFile first("in01:[a]\nprel:y\nmset:3\nrot1:y\n");
    TempFile second("in02|[b]\n");
    ConfigImage image;
    ASSERT_TRUE(readConfigFile(first.path.c_str(), image));
    ASSERT_TRUE(readConfigFile(second.path.c_str(), image));
    EXPECT_TRUE(sameImage(imageOf({{shortAt(2), {0x00, 0x32}}}), image));
}

// Every input, both sequences full, every option: a file as large as the language allows.
TEST(ReadConfigFile, FullFile)
{
    std::string text;
    std::vector<ByteRun> expected;
    for (int n = 1; n <= 72; ++n) {
        char head[8];
        std::snprintf(head, sizeof head, "in%02d", n);
        text += std::string(head) + ":<R>" + repeat("[(~)Q]", 31) + "[f12]\r\n";
        text += std::string(head) + "|<S>" + repeat("[200]", 16) + "\r\n";
        expected.push_back({longAt(n), concat(concat({0x82, 0x11}, times({0x02, 0x11}, 30)), {0x00, 0x7B})});
        expected.push_back({shortAt(n), concat({0x21, 0x48}, times({0x01, 0x48}, 15))});
    }
    text += "prel:y\nrevx:y\nrevy:y\nmset:2\nrot1:y\nrot2:y\nrot3:y\nrot4:y\n";
    expected.push_back({kOpt0, {0x0F}});
    expected.push_back({kOpt1, {0x9B}});
    EXPECT_TRUE(sameImage(imageOf(expected), compileText(text)));
}

}  // namespace
