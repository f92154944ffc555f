// The pylocheck command line: the hex dump, the image file, the key list and the statuses.
#include <csignal>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

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

TEST(HexDump, RowsFoldAndOffsetsShow)
{
    ConfigImage image;
    clearImage(image);
    EXPECT_EQ(hexOf(image), "*\n2004\n");
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

// The image file holds the compiler's bytes; a failed write leaves the old file as it was, and
// the configuration itself is never overwritten.
TEST(CheckTool, ImageFile)
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
    ScratchFile config("in01:[a]\n");
    ToolRun run = runTool({"--image", config.path, config.path});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "pylocheck: \"" + config.path + "\" is the configuration file; it is not overwritten with the image\n");
    EXPECT_EQ(readWholeFile(config.path), "in01:[a]\n");
    // A write that fails (a file the size limit cuts short) keeps the old image.
    ScratchFile old("old image");
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    struct rlimit small = limit;
    small.rlim_cur = 4096;
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    run = runTool({"--image", old.path, config.path});
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "pylocheck: cannot write \"" + old.path + "\"\npylocheck: " + old.path + ": File too large\n");
    EXPECT_EQ(readWholeFile(old.path), "old image");
}

struct StatusCase {
    const char* label;
    std::vector<std::string> args;  // "@missing" and "@dir" stand for a missing file and a folder
    const char* outPath;            // where standard output goes; nullptr for a captured stream
    int status;
    const char* outStart;  // expected beginning of standard output
    std::string err;       // expected standard error
};

TEST(CheckTool, Statuses)
{
    ScratchPath missing;
    const std::string dir = PYLO_CHECK_INPUTS;
    ScratchFile clean("# nothing to see\nin01:[a]\n");
    ScratchFile typo("in7:[a]\n");
    ScratchPath out;
    const std::string example = std::string(PYLO_EXAMPLES) + "/keys.txt";
    const std::string usage =
        "usage: pylocheck CONFIG | --hex CONFIG | --image OUT CONFIG | --list-keys | --help | --version\n";
    auto cannot = [](const std::string& path, const char* reason) {
        return "pylocheck: cannot open \"" + path + "\"\npylocheck: " + path + ": " + reason + "\n";
    };
    const std::string full = "pylocheck: cannot write the output: No space left on device\n";
    const std::vector<StatusCase> cases = {
        {"clean file", {clean.path}, nullptr, 0, "", ""},
        {"the example says nothing", {example}, nullptr, 0, "", ""},
        {"warning", {typo.path}, nullptr, 1, typo.path.c_str(), ""},
        {"explain a missing file", {missing.path}, nullptr, 2, "", cannot(missing.path, "No such file or directory")},
        {"hex of a missing file", {"--hex", missing.path}, nullptr, 2, "", cannot(missing.path, "No such file or directory")},
        {"image of a missing file", {"--image", out.path, missing.path}, nullptr, 2, "",
         cannot(missing.path, "No such file or directory")},
        {"explain a folder", {dir}, nullptr, 2, "", cannot(dir, "Is a directory")},
        {"hex of a folder", {"--hex", dir}, nullptr, 2, "", cannot(dir, "Is a directory")},
        {"image of a folder", {"--image", out.path, dir}, nullptr, 2, "", cannot(dir, "Is a directory")},
        {"a file whose read fails", {"/proc/self/mem"}, nullptr, 2, "", cannot("/proc/self/mem", "Input/output error")},
        {"image into a missing folder", {"--image", "/nonexistent-dir/out.bin", clean.path}, nullptr, 2, "",
         cannot("/nonexistent-dir/out.bin", "No such file or directory")},
        {"hex to a full disk", {"--hex", clean.path}, "/dev/full", 2, "", full},
        {"report to a full disk", {typo.path}, "/dev/full", 2, "", full},
        {"key list to a full disk", {"--list-keys"}, "/dev/full", 2, "", full},
        {"help", {"--help"}, nullptr, 0, usage.c_str(), ""},
        {"no arguments", {}, nullptr, 2, "", usage},
        {"unknown option", {"--hexx", clean.path}, nullptr, 2, "", "pylocheck: unknown option '--hexx'\n" + usage},
        {"version", {"--version"}, nullptr, 0, "pylocheck " PYLO_VERSION "\n", ""},
        {"hex without file", {"--hex"}, nullptr, 2, "", usage},
        {"image without file", {"--image", out.path}, nullptr, 2, "", usage},
        {"two files", {clean.path, typo.path}, nullptr, 2, "", usage},
        {"list keys with a file", {"--list-keys", clean.path}, nullptr, 2, "", usage},
        {"list keys", {"--list-keys"}, nullptr, 0, "table  key  name\n", ""},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.label);
        const ToolRun run = runTool(c.args, c.outPath);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out.substr(0, std::string(c.outStart).size()), c.outStart);
        EXPECT_EQ(run.err, c.err);
    }
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

}  // namespace
