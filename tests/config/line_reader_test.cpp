// The reads the line reader delivers for a file, compared as whole sequences.
#include <cerrno>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_reader.h"
#include "config/line_reader.h"
#include "config_testing.h"

namespace {

struct ReadCase {
    const char* label;
    std::string file;
    std::vector<std::string> reads;  // each read's bytes as returned, NULs included
};

std::vector<std::string> readFrom(LineReader& reader)
{
    std::vector<std::string> reads;
    char line[kTextBufferSize];
    for (int guard = 0; guard < 100000; ++guard) {
        const std::size_t n = readLine(reader, line);
        if (n == 0) break;
        EXPECT_LE(n, 255u);
        EXPECT_EQ(line[n], '\0') << "read " << reads.size() << " is not terminated";
        reads.emplace_back(line, n);
    }
    EXPECT_EQ(reader.error, 0);
    closeLineReader(reader);
    return reads;
}

// The reads of the file holding content; the same bytes read from memory must give the same.
std::vector<std::string> readAll(const std::string& content)
{
    TempFile file(content);
    LineReader reader;
    if (!openLineReader(reader, file.path.c_str())) {
        ADD_FAILURE() << "cannot open " << file.path;
        return {};
    }
    const std::vector<std::string> fromFile = readFrom(reader);
    openBufferReader(reader, reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    EXPECT_EQ(readFrom(reader), fromFile) << "a buffer reads otherwise than a file";
    return fromFile;
}

std::string show(const std::vector<std::string>& reads)
{
    std::string out;
    for (const std::string& r : reads) out += "\n  [" + std::to_string(r.size()) + "] \"" + visible(r) + '"';
    return out.empty() ? std::string(" (none)") : out;
}

// Names the case instead of dumping its bytes.
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.label; }

class LineReads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LineReads, AreExactlyTheExpectedSequence)
{
    const ReadCase& c = GetParam();
    const std::vector<std::string> actual = readAll(c.file);
    EXPECT_EQ(actual, c.reads) << "expected:" << show(c.reads) << "\nactual:" << show(actual);
}

std::string caseName(const ::testing::TestParamInfo<ReadCase>& info) { return info.param.label; }

const std::string k255(255, 'x');
const std::string k254(254, 'x');

INSTANTIATE_TEST_SUITE_P(Basic, LineReads, ::testing::Values(
    ReadCase{"EmptyFile", "", {}},
    ReadCase{"OneLine", "abc\n", {"abc\n"}},
    ReadCase{"NoFinalNewline", "abc\ndef", {"abc\n", "def"}},
    ReadCase{"EmptyLines", "\n\n", {"\n", "\n"}},
    ReadCase{"CrBeforeLfDropped", "a\r\nb\r\n", {"a\n", "b\n"}},
    ReadCase{"LoneCrKept", "a\rb\n", {"a\rb\n"}},
    ReadCase{"OnlyTheLastCrDropped", "a\r\r\n", {"a\r\n"}},
    ReadCase{"CrAtEndOfFileKept", "a\r", {"a\r"}},
    ReadCase{"LfCrIsTwoThings", "a\n\rb\n", {"a\n", "\rb\n"}},
    ReadCase{"CtrlZEndsTheFile", "a\n\x1A" "b\n", {"a\n"}},
    ReadCase{"CtrlZEndsALine", "ab\x1A" "cd\n", {"ab"}},
    ReadCase{"CtrlZFirst", "\x1A" "abc\n", {}},
    ReadCase{"CrThenCtrlZ", "a\r\x1A\n", {"a\r"}},
    ReadCase{"NulInsideALine", std::string("ab\0cd\nef\n", 9), {std::string("ab\0cd\n", 6), "ef\n"}},
    ReadCase{"NulAlone", std::string("\0\n", 2), {std::string("\0\n", 2)}}), caseName);

INSTANTIATE_TEST_SUITE_P(Limit, LineReads, ::testing::Values(
    ReadCase{"Line254WithLf", k254 + "\n", {k254 + "\n"}},
    ReadCase{"Line255WithLf", k255 + "\n", {k255, "\n"}},
    ReadCase{"Line254WithCrLf", k254 + "\r\n", {k254 + "\n"}},
    ReadCase{"Line255WithCrLf", k255 + "\r\nz\n", {k255, "\n", "z\n"}},
    ReadCase{"Line300", std::string(300, 'y') + "\n", {std::string(255, 'y'), std::string(45, 'y') + "\n"}},
    ReadCase{"Line600", std::string(600, 'y'), {std::string(255, 'y'), std::string(255, 'y'), std::string(90, 'y')}},
    ReadCase{"NulsCount", std::string(300, '\0') + "\n",
             {std::string(255, '\0'), std::string(45, '\0') + "\n"}}), caseName);

INSTANTIATE_TEST_SUITE_P(ByteOrderMark, LineReads, ::testing::Values(
    ReadCase{"SkippedAtStart", "\xEF\xBB\xBF" "abc\n", {"abc\n"}},
    ReadCase{"SkippedBeforeLongLine", "\xEF\xBB\xBF" + k255 + "\n", {k255, "\n"}},
    ReadCase{"AloneGivesNothing", "\xEF\xBB\xBF", {}},
    ReadCase{"SecondIsText", "\xEF\xBB\xBF\xEF\xBB\xBF" "a\n", {"\xEF\xBB\xBF" "a\n"}},
    ReadCase{"LaterIsText", "a\n\xEF\xBB\xBF" "b\n", {"a\n", "\xEF\xBB\xBF" "b\n"}},
    ReadCase{"PartialIsText", "\xEF\xBB" "a\n", {"\xEF\xBB" "a\n"}},
    ReadCase{"OtherOrderIsText", "\xBB\xEF\xBF" "a\n", {"\xBB\xEF\xBF" "a\n"}}), caseName);

// Files longer than any internal read buffer, with a line break split across every
// position near the usual power-of-two sizes.
TEST(LineReader, CrLfAndCtrlZAcrossLargeFiles)
{
    for (const std::size_t boundary : {512u, 1024u, 4096u, 8192u, 16384u}) {
        for (std::size_t shift = 0; shift < 4; ++shift) {
            // Filler lines of 99 characters plus CR LF, then a line whose CR lands at
            // boundary - 2 + shift.
            std::string file;
            std::vector<std::string> expected;
            while (file.size() + 101 < boundary - 2 + shift) {
                file += std::string(99, 'f') + "\r\n";
                expected.push_back(std::string(99, 'f') + "\n");
            }
            const std::size_t pad = boundary - 2 + shift - file.size();
            file += std::string(pad, 'p') + "\r\nlast\r\n";
            std::string padded(pad, 'p');
            while (padded.size() > 255) {
                expected.push_back(padded.substr(0, 255));
                padded.erase(0, 255);
            }
            expected.push_back(padded + "\n");
            expected.push_back("last\n");
            const std::vector<std::string> actual = readAll(file + "\x1A" "after\n");
            EXPECT_EQ(actual, expected) << "CR at offset " << boundary - 2 + shift;
        }
    }
}

// A file that opens but cannot be read is an error, never an empty or shortened file.
TEST(LineReader, FailuresCarryTheSystemsReason)
{
    LineReader reader;
    EXPECT_FALSE(openLineReader(reader, "/nonexistent-dir/pylo/none.txt"));
    EXPECT_EQ(reader.error, ENOENT);

    ASSERT_TRUE(openLineReader(reader, "/"));
    char line[kTextBufferSize];
    EXPECT_EQ(readLine(reader, line), 0u);
    EXPECT_EQ(reader.error, EISDIR);
    closeLineReader(reader);

    ConfigImage image;
    int error = 0;
    EXPECT_FALSE(readConfigFile("/", image, nullptr, &error));
    EXPECT_EQ(error, EISDIR);
}

}  // namespace
