// The pylocheck command line: the hex dump, the image file, the key list and the statuses.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "check/hex_dump.h"
#include "check_testing.h"
#include "config/config_reader.h"
#include "pylo_version.h"

namespace {

std::string hexOf(const ConfigImage& image)
{
    std::FILE* out = std::tmpfile();
    printHexDump(out, image);
    return drain(out);
}

TEST(HexDump, EmptyImageIsOneFold)
{
    ConfigImage image;
    clearImage(image);
    EXPECT_EQ(hexOf(image), "*\n2004\n");
}

TEST(HexDump, RowsFoldAndOffsetsShow)
{
    ConfigImage image;
    clearImage(image);
    image.bytes[0] = 0x08;
    image.bytes[1] = 0x2C;
    image.bytes[17] = 0xFF;            // row 0x0010
    image.bytes[0x60 + 15] = 0x01;     // row 0x0060, after a fold
    image.bytes[kOptionByte1Offset] = 0x90;
    image.bytes[kImageSize - 1] = 0x7E;  // the short last row
    EXPECT_EQ(hexOf(image),
              "0000  08 2c 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
              "0010  00 ff 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
              "*\n"
              "0060  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01\n"
              "*\n"
              "1ff0  00 00 00 00 00 00 00 00 00 00 00 00 00 90 00 00\n"
              "2000  00 00 00 7e\n"
              "2004\n");
}

TEST(CheckTool, HexOfAFile)
{
    ScratchFile file("in03:[(+)shift][a]\nPREL:Y\n");
    const ToolRun run = runTool({"--hex", file.path});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "*\n"
              "00c0  08 2c 00 1f 00 00 00 00 00 00 00 00 00 00 00 00\n"
              "*\n"
              "1ff0  00 00 00 00 00 00 00 00 00 00 00 00 00 80 00 00\n"
              "*\n"
              "2004\n");
}

TEST(CheckTool, ImageIsByteExact)
{
    for (const std::string& path : {std::string(PYLO_CHECK_INPUTS) + "/mixed.txt", std::string(PYLO_CHECK_INPUTS) +
                                                                                      "/typos.txt"}) {
        SCOPED_TRACE(path);
        ScratchPath out;
        const ToolRun run = runTool({"--image", out.path, path});
        EXPECT_EQ(run.status, 0);
        ConfigImage image;
        ASSERT_TRUE(readConfigFile(path.c_str(), image));
        const std::string written = readWholeFile(out.path);
        ASSERT_EQ(written.size(), kImageSize);
        EXPECT_EQ(written, std::string(image.bytes.begin(), image.bytes.end()));
        EXPECT_NE(written, std::string(kImageSize, '\0'));
    }
}

struct StatusCase {
    const char* label;
    std::vector<std::string> args;  // "@missing" stands for a file that does not exist
    int status;
    const char* outStart;  // expected beginning of standard output
    const char* err;       // expected standard error; "@missing" is replaced by the path
};

TEST(CheckTool, Statuses)
{
    ScratchPath missing;
    ScratchFile clean("# nothing to see\nin01:[a]\n");
    ScratchFile typo("in7:[a]\n");
    ScratchPath out;
    const std::string usage =
        "usage: pylocheck CONFIG | --hex CONFIG | --image OUT CONFIG | --list-keys | --help | --version\n";
    const std::string unknown = "pylocheck: unknown option '--hexx'\n" + usage;
    const std::string cannot = "pylocheck: cannot open \"" + missing.path + "\"\n";
    const std::vector<StatusCase> cases = {
        {"clean file", {clean.path}, 0, "", ""},
        {"warning", {typo.path}, 1, typo.path.c_str(), ""},
        {"explain a missing file", {"@missing"}, 2, "", "@missing"},
        {"hex of a missing file", {"--hex", "@missing"}, 1, "", "@missing"},
        {"image of a missing file", {"--image", out.path, "@missing"}, 1, "", "@missing"},
        {"help", {"--help"}, 0, usage.c_str(), ""},
        {"no arguments", {}, 2, "", usage.c_str()},
        {"unknown option", {"--hexx", clean.path}, 2, "", unknown.c_str()},
        {"version", {"--version"}, 0, "pylocheck " PYLO_VERSION "\n", ""},
        {"hex without file", {"--hex"}, 2, "", usage.c_str()},
        {"image without file", {"--image", out.path}, 2, "", usage.c_str()},
        {"two files", {clean.path, typo.path}, 2, "", usage.c_str()},
        {"list keys with a file", {"--list-keys", clean.path}, 2, "", usage.c_str()},
        {"list keys", {"--list-keys"}, 0, "table  key  name\n", ""},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<std::string> args;
        for (const std::string& a : c.args) args.push_back(a == "@missing" ? missing.path : a);
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out.substr(0, std::string(c.outStart).size()), c.outStart);
        EXPECT_EQ(run.err, std::string(c.err) == "@missing" ? cannot : std::string(c.err));
    }
}

TEST(CheckTool, ImageToAnUnwritablePath)
{
    const ToolRun run = runTool({"--image", "/nonexistent-dir/out.bin", std::string(PYLO_CHECK_INPUTS) + "/typos.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "pylocheck: cannot open \"/nonexistent-dir/out.bin\"\n");
}

TEST(CheckTool, ListKeysCoversBothTables)
{
    const ToolRun run = runTool({"--list-keys"});
    EXPECT_EQ(run.status, 0);
    for (const char* line : {"\nmain     1  `\n", "\nmain   130  !              shift + key 2\n", "\nmain    44  shift\n",
                             "\nmain    61  (space)\n", "\nmain   123  f12\n", "\nkeypad  91  7\n",
                             "\nkeypad 108  enter\n", "\nmain   169  \"              shift + key 41\n"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
    }
}

// The file that the README points people to explains itself without a word.
TEST(CheckTool, CleanExampleSaysNothing)
{
    const std::string path = std::string(PYLO_EXAMPLES) + "/keys.txt";
    if (readWholeFile(path).empty()) GTEST_SKIP() << "no examples/keys.txt in this tree";
    const ToolRun run = runTool({path});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
}

// Every typo of the typo file is found on its line and column.
TEST(CheckTool, TypoFileWarnings)
{
    const std::string path = std::string(PYLO_CHECK_INPUTS) + "/typos.txt";
    const ToolRun run = runTool({path});
    EXPECT_EQ(run.status, 1);
    std::vector<std::string> found;
    std::size_t at = 0;
    const std::string marker = path + ":";
    while ((at = run.out.find(marker, at)) != std::string::npos) {
        const std::size_t end = run.out.find('\n', at);
        const std::string line = run.out.substr(at + marker.size(), end - at - marker.size());
        if (line.find(": warning: ") != std::string::npos) found.push_back(line.substr(0, line.find(": warning: ")));
        at = end;
    }
    const std::vector<std::string> expected = {"3:3",  "4:1",  "5:7",  "6:10", "7:8",  "8:10", "9:10",
                                               "10:6", "11:6", "12:6", "13:4", "14:3", "15:5"};
    EXPECT_EQ(found, expected);
}

}  // namespace
