// SPDX-License-Identifier: MIT
// The reads the line reader delivers for a file (line_reads.txt), compared as whole sequences;
// the same bytes read from memory must give the same.
#include <algorithm>
#include <cerrno>
#include <vector>
#include "config/line_reader.h"
#include "config_testing.h"

namespace {

std::vector<std::string> readFrom(LineReader& reader)
{
    std::vector<std::string> reads;
    char line[kTextBufferSize];
    for (std::size_t n; reads.size() < 100000 && (n = readLine(reader, line)) != 0;) {
        EXPECT_TRUE(n <= 255 && line[n] == '\0') << "read " << reads.size() << " of " << n << " bytes";
        reads.emplace_back(line, n);
    }
    EXPECT_EQ(reader.error, 0);
    closeLineReader(reader);
    return reads;
}

std::uint8_t piece[kFilePieceSize];

std::string readAll(const std::string& content)
{
    TempFile file(content);
    LineReader reader;
    EXPECT_TRUE(openLineReader(reader, file.path.c_str(), piece, sizeof piece)) << file.path;
    const std::vector<std::string> fromFile = readFrom(reader);
    openBufferReader(reader, reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    EXPECT_EQ(readFrom(reader), fromFile) << "a buffer reads otherwise than a file";
    std::string shown;
    for (const std::string& r : fromFile) shown += " [" + std::to_string(r.size()) + "] \"" + visible(r) + '"';
    return shown;
}

TEST(LineReader, EveryCaseOfLineReadsTxt)
{
    EXPECT_GT(forEachCase("line_reads.txt", [](const std::string& row, const std::string& where) {
        std::size_t i = row.find('"') + 1;
        std::string file, expected;
        bool wellFormed = i > 0 && quotedText(row, i, file) && row.compare(i, 3, " =>") == 0;
        for (i = row.find('"', i); wellFormed && i != std::string::npos; i = row.find('"', i)) {
            std::string read;
            wellFormed = quotedText(row, ++i, read);
            expected += " [" + std::to_string(read.size()) + "] \"" + visible(read) + '"';
        }
        ASSERT_TRUE(wellFormed) << where << " cannot be read";
        EXPECT_EQ(readAll(file), expected) << where << ": " << row.substr(0, 60);
    }), 25);
}

// Files longer than any internal read buffer, with a CR LF split across every position near
// the usual power-of-two sizes.
TEST(LineReader, CrLfAndCtrlZAcrossLargeFiles)
{
    for (const std::size_t boundary : {512u, 4096u, 16384u, 65536u}) {
        for (std::size_t at = boundary - 2; at < boundary + 2; ++at) {  // where the CR lands
            std::string file, expected;
            for (; file.size() + 101 < at; file += std::string(99, 'f') + "\r\n") expected += " [100] \"" + std::string(99, 'f') + "\\n\"";
            std::string padded(at - file.size(), 'p');
            file += padded + "\r\nlast\r\n\x1A" "after\n";
            for (; padded.size() > 255; padded.erase(0, 255)) expected += " [255] \"" + padded.substr(0, 255) + '"';
            expected += " [" + std::to_string(padded.size() + 1) + "] \"" + padded + "\\n\" [5] \"last\\n\"";
            EXPECT_EQ(readAll(file), expected) << "CR at offset " << at;
        }
    }
}

// A file that opens but cannot be read is an error, never an empty or shortened file; the
// image is then all zeros.
TEST(LineReader, FailuresCarryTheSystemsReason)
{
    LineReader reader;
    EXPECT_FALSE(openLineReader(reader, "/nonexistent-dir/pylo/none.txt", piece, sizeof piece));
    EXPECT_EQ(reader.error, ENOENT);
    ASSERT_TRUE(openLineReader(reader, "/", piece, sizeof piece));
    char line[kTextBufferSize];
    EXPECT_EQ(readLine(reader, line), 0u);
    EXPECT_EQ(reader.error, EISDIR);
    closeLineReader(reader);

    ConfigImage image, zero{};
    image.bytes.fill(0x5A);
    int error = 0;
    EXPECT_FALSE(readConfigFile("/", image, nullptr, &error));
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(readConfigFile("/nonexistent-dir/pylo/none.txt", image));
    EXPECT_TRUE(sameImage(zero, image));
}

}  // namespace
