// The grammar of a line: option keywords, input heads and the R and S markers.
#include <cstdint>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "config/config_reader.h"
#include "config_testing.h"

namespace {

struct LineCase {
    std::string line;
    bool accepted;
    std::int32_t kind;  // checked only when accepted
    int isLong;         // checked only for input statements
    int rFlag;
    int sFlag;
};

// Names the case instead of dumping its bytes.
void PrintTo(const LineCase& c, std::ostream* os) { *os << visible(c.line); }

void check(const LineCase& c)
{
    TextCursor cursor;
    setText(cursor, c.line.c_str());
    Statement s;
    const std::string where = "line \"" + visible(c.line) + '"';
    ASSERT_EQ(parseStatement(cursor, s), c.accepted) << where;
    if (!c.accepted) return;
    EXPECT_EQ(s.kind, c.kind) << where;
    if (c.kind >= 1 && c.kind <= 72) {
        EXPECT_EQ(s.isLong, c.isLong) << where;
        EXPECT_EQ(s.rFlag, c.rFlag) << where;
        EXPECT_EQ(s.sFlag, c.sFlag) << where;
    }
}

class AcceptedLine : public ::testing::TestWithParam<LineCase> {};
class RejectedLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(AcceptedLine, GivesItsKindAndFlags) { check(GetParam()); }
TEST_P(RejectedLine, IsNoStatement) { check(GetParam()); }

std::string caseName(const ::testing::TestParamInfo<LineCase>& info)
{
    return std::to_string(info.index) + "_" + safeName(info.param.line);
}

// kind, isLong, R, S
INSTANTIATE_TEST_SUITE_P(Options, AcceptedLine, ::testing::Values(
    LineCase{"prel:y", true, 73, 0, 0, 0},
    LineCase{"PREL:Y", true, 73, 0, 0, 0},
    LineCase{"Prel:Y\n", true, 73, 0, 0, 0},
    LineCase{"pReL:yes", true, 73, 0, 0, 0},  // text after the keyword is ignored
    LineCase{"prel:y junk", true, 73, 0, 0, 0},
    LineCase{"revx:y", true, 74, 0, 0, 0},
    LineCase{"REVX:Y\n", true, 74, 0, 0, 0},
    LineCase{"revy:y", true, 75, 0, 0, 0},
    LineCase{"ReVy:Yy", true, 75, 0, 0, 0},
    LineCase{"mset:0", true, 76, 0, 0, 0},
    LineCase{"MSET:1\n", true, 77, 0, 0, 0},
    LineCase{"Mset:2x", true, 78, 0, 0, 0},
    LineCase{"mset:3", true, 79, 0, 0, 0},
    LineCase{"mset:", true, 76, 0, 0, 0},  // nothing left: the empty text is all digits, 0
    LineCase{"rot1:y", true, 80, 0, 0, 0},
    LineCase{"ROT2:Y\n", true, 81, 0, 0, 0},
    LineCase{"rOt3:yes", true, 82, 0, 0, 0},
    LineCase{"rot4:Y", true, 83, 0, 0, 0}), caseName);

INSTANTIATE_TEST_SUITE_P(Inputs, AcceptedLine, ::testing::Values(
    LineCase{"in01:", true, 1, 1, 0, 0},
    LineCase{"in01|", true, 1, 0, 0, 0},
    LineCase{"IN05:[a]\n", true, 5, 1, 0, 0},
    LineCase{"In10|[a]", true, 10, 0, 0, 0},
    LineCase{"iN72|[a]", true, 72, 0, 0, 0},
    LineCase{"in09:", true, 9, 1, 0, 0},
    LineCase{"in01:<R>", true, 1, 1, 1, 0},
    LineCase{"in01:<r>[a]", true, 1, 1, 1, 0},
    LineCase{"in01:<S>[65]", true, 1, 1, 0, 1},
    LineCase{"in01|<s>[65]", true, 1, 0, 0, 1},
    LineCase{"in01:<S><R>[65]", true, 1, 1, 1, 1},
    LineCase{"in01:<r><s>[65]", true, 1, 1, 1, 1},
    LineCase{"in01:<R><R>[a]", true, 1, 1, 1, 0},
    LineCase{"in01:<R><R><S>[a]", true, 1, 1, 1, 0},  // a third group is text
    LineCase{"in01:<R> <S>[a]", true, 1, 1, 1, 0},    // so is one that does not follow at once
    LineCase{"in01: <R>[a]", true, 1, 1, 0, 0},
    LineCase{"in01:[a]<R>", true, 1, 1, 0, 0},
    LineCase{"in01:junk", true, 1, 1, 0, 0}), caseName);

INSTANTIATE_TEST_SUITE_P(Options, RejectedLine, ::testing::Values(
    LineCase{"", false, 0, 0, 0, 0},
    LineCase{"\n", false, 0, 0, 0, 0},
    LineCase{"  prel:y", false, 0, 0, 0, 0},
    LineCase{"\tprel:y", false, 0, 0, 0, 0},
    LineCase{"xprel:y", false, 0, 0, 0, 0},
    LineCase{"prel:n", false, 0, 0, 0, 0},
    LineCase{"prel:", false, 0, 0, 0, 0},
    LineCase{"prel", false, 0, 0, 0, 0},
    LineCase{"p", false, 0, 0, 0, 0},
    LineCase{"prel;y", false, 0, 0, 0, 0},
    LineCase{"prel :y", false, 0, 0, 0, 0},
    LineCase{"revz:y", false, 0, 0, 0, 0},
    LineCase{"rev:y", false, 0, 0, 0, 0},
    LineCase{"revx:n", false, 0, 0, 0, 0},
    LineCase{"mset:4", false, 0, 0, 0, 0},
    LineCase{"mset:9", false, 0, 0, 0, 0},
    LineCase{"mset:x", false, 0, 0, 0, 0},
    LineCase{"mset:\n", false, 0, 0, 0, 0},
    LineCase{"mset: 1", false, 0, 0, 0, 0},
    LineCase{"mset:-1", false, 0, 0, 0, 0},
    LineCase{"mset1", false, 0, 0, 0, 0},
    LineCase{"mse:1", false, 0, 0, 0, 0},
    LineCase{"rot0:y", false, 0, 0, 0, 0},
    LineCase{"rot5:y", false, 0, 0, 0, 0},
    LineCase{"rot3:n", false, 0, 0, 0, 0},
    LineCase{"rot3:", false, 0, 0, 0, 0},
    LineCase{"rot3", false, 0, 0, 0, 0},
    LineCase{"rot", false, 0, 0, 0, 0},
    LineCase{"rotx:y", false, 0, 0, 0, 0},
    LineCase{"rot1 :y", false, 0, 0, 0, 0},
    LineCase{"rot1y", false, 0, 0, 0, 0},
    LineCase{"rot01:y", false, 0, 0, 0, 0},
    LineCase{"ro t1:y", false, 0, 0, 0, 0},
    LineCase{"ab", false, 0, 0, 0, 0},
    LineCase{"rp", false, 0, 0, 0, 0}), caseName);

INSTANTIATE_TEST_SUITE_P(Inputs, RejectedLine, ::testing::Values(
    LineCase{"in00:[a]", false, 0, 0, 0, 0},
    LineCase{"in73:[a]", false, 0, 0, 0, 0},
    LineCase{"in99:", false, 0, 0, 0, 0},
    LineCase{"in7:[a]", false, 0, 0, 0, 0},
    LineCase{"in 7:[a]", false, 0, 0, 0, 0},
    LineCase{"in1a:", false, 0, 0, 0, 0},
    LineCase{"in-1:", false, 0, 0, 0, 0},
    LineCase{"in01", false, 0, 0, 0, 0},
    LineCase{"in1", false, 0, 0, 0, 0},
    LineCase{"in", false, 0, 0, 0, 0},
    LineCase{"in01 :[a]", false, 0, 0, 0, 0},
    LineCase{"in01;[a]", false, 0, 0, 0, 0},
    LineCase{"in01[a]", false, 0, 0, 0, 0},
    LineCase{"in001:[a]", false, 0, 0, 0, 0},
    LineCase{" in01:[a]", false, 0, 0, 0, 0},
    LineCase{"in01:<X>[a]", false, 0, 0, 0, 0},
    LineCase{"in01:<R", false, 0, 0, 0, 0},
    LineCase{"in01:<", false, 0, 0, 0, 0},
    LineCase{"in01:<R><X>[a]", false, 0, 0, 0, 0},
    LineCase{"in01:<RR>[a]", false, 0, 0, 0, 0},
    LineCase{"in01:< R>[a]", false, 0, 0, 0, 0},
    LineCase{"ni01:[a]", false, 0, 0, 0, 0}), caseName);

}  // namespace
