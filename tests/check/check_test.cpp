// SPDX-License-Identifier: MIT
// pylocheck: every file under inputs/ explained and compared with its .expected file (the
// whole report, then "exit STATUS"), with the image of the checker, of the compiler and of
// --image alike; the command lines of statuses.tsv; the hex dump and the image file.
// PYLO_UPDATE_GOLDEN=1 rewrites the .expected files (review the diff before committing).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "../support/case_table.h"
#include "check/check_tool.h"
#include "check/diagnostics.h"
#include "check/hex_dump.h"
#include "config/config_reader.h"
#include "pylo_version.h"

namespace {

const std::string kDir = PYLO_CHECK_DIR;

// A temporary path holding content, or nothing when content is null; removed at the end.
struct Scratch {
    std::string path = "/tmp/pylocheck_test_XXXXXX";
    explicit Scratch(const char* content)
    {
        close(mkstemp(&path[0]));
        if (content != nullptr) std::ofstream(path, std::ios::binary) << content;
        else std::remove(path.c_str());
    }
    ~Scratch() { std::remove(path.c_str()); }
};

std::string readAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string drain(std::FILE* file)
{
    std::string text;
    if (file == nullptr) return text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

struct ToolRun {
    int status;
    std::string out, err;
};

// The command line with args; standard output goes to outPath when given, else is captured.
ToolRun runTool(const std::vector<std::string>& args, const char* outPath = nullptr)
{
    std::vector<const char*> argv{"pylocheck"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::FILE* out = outPath != nullptr ? std::fopen(outPath, "w") : std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = runCheckTool(static_cast<int>(argv.size()), argv.data(), out, err);
    if (outPath != nullptr) std::fclose(out);
    return ToolRun{status, drain(outPath != nullptr ? nullptr : out), drain(err)};
}

TEST(Check, GoldenReportsAndImages)
{
    int count = 0;
    Scratch out(nullptr);
    for (const auto& item : std::filesystem::directory_iterator(kDir + "/inputs")) {
        const std::string input = item.path().string();
        if (item.path().extension() == ".expected" || item.path().filename().string()[0] == '.') continue;
        SCOPED_TRACE(input);
        ++count;
        const ToolRun run = runTool({input});
        std::string report = run.out + run.err + "exit " + std::to_string(run.status) + "\n";
        for (std::size_t at; (at = report.find(kDir + "/inputs/")) != std::string::npos;) report.erase(at, kDir.size() + 8);
        const std::string golden = input.substr(0, input.rfind('.')) + ".expected";
        if (std::getenv("PYLO_UPDATE_GOLDEN") != nullptr) std::ofstream(golden, std::ios::binary) << report;
        EXPECT_EQ(report, readAll(golden));

        ConfigImage plain, checked;
        plain.bytes.fill(0xA5);
        checked.bytes.fill(0x5A);
        CheckReport findings;
        ASSERT_TRUE(readConfigFile(input.c_str(), plain));
        ASSERT_TRUE(checkConfigFile(input.c_str(), findings, checked));
        EXPECT_TRUE(plain.bytes == checked.bytes) << "the checker's image differs from the compiler's";
        EXPECT_EQ(runTool({"--image", out.path, input}).status, 0);
        EXPECT_EQ(readAll(out.path), std::string(plain.bytes.begin(), plain.bytes.end())) << "--image";
    }
    EXPECT_GE(count, 10);
}

// A report keeps the first 1000 findings and counts the rest in one line.
TEST(Check, FindingsAreCapped)
{
    std::string content;
    for (int i = 0; i < 700; ++i) content += "in7:[a]\n";  // a warning and a note each
    Scratch file(content.c_str());
    const ToolRun run = runTool({file.path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1), file.path + ": 400 more warnings and notes are not shown\n");
    EXPECT_EQ(run.out.find(file.path + ":501:"), std::string::npos);
    EXPECT_NE(run.out.find(file.path + ":500:3: note: did you mean 'in07:'?"), std::string::npos);
}

// Rows of 16 bytes, runs of zero rows folded into "*", the short last row, the size.
TEST(Check, HexDumpRows)
{
    ConfigImage image;
    clearImage(image);
    for (std::size_t at : {0x0000, 0x0011, 0x006F, 0x1FFD, 0x2003}) image.bytes[at] = static_cast<std::uint8_t>(at | 1);
    std::FILE* out = std::tmpfile();
    printHexDump(out, image);
    const std::string zeros = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    EXPECT_EQ(drain(out), "0000  01" + zeros + "\n0010  00 11" + zeros.substr(3) + "\n*\n0060 " + zeros + " 6f\n*\n1ff0 " +
                              zeros.substr(0, 39) + " fd 00 00\n2000  00 00 00 03\n2004\n");
}

TEST(Check, Statuses)
{
    Scratch missing(nullptr), out(nullptr), clean("# nothing to see\nin01:[a]\n"), typo("in7:[a]\n");
    const CaseSubs subs = {{"@usage", "usage: pylocheck CONFIG | --hex CONFIG | --image OUT CONFIG | --list-keys | --help | --version\n"},
                           {"@missing", missing.path}, {"@out", out.path}, {"@clean", clean.path}, {"@typo", typo.path},
                           {"@dir", kDir}, {"@examples", PYLO_EXAMPLES}, {"@version", PYLO_VERSION}};
    for (const CaseRow& row : readCaseTable(kDir + "/statuses.tsv", subs)) {
        SCOPED_TRACE(row[0]);
        std::vector<std::string> args;
        std::istringstream words(row[1]);
        for (std::string word; words >> word;) args.push_back(word);
        const ToolRun run = runTool(args, row[2].empty() ? nullptr : row[2].c_str());
        const bool whole = row[4].rfind("<", 0) == 0;  // <FILE: the whole output, kept in outputs/FILE
        const std::string expected = whole ? readAll(kDir + "/outputs/" + row[4].substr(1)) : row[4];
        EXPECT_EQ(run.status, std::stoi(row[3]));
        EXPECT_EQ(whole ? run.out : run.out.substr(0, expected.size()), expected);
        EXPECT_EQ(run.err, row[5]);
    }
    EXPECT_EQ(readAll(clean.path), "# nothing to see\nin01:[a]\n") << "the configuration was overwritten";
}

// A write that fails (a file the size limit cuts short) leaves the old image as it was.
TEST(Check, FailedImageWriteKeepsTheOldFile)
{
    Scratch config("in01:[a]\n"), old("old image");
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    struct rlimit small = limit;
    small.rlim_cur = 4096;
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const ToolRun run = runTool({"--image", old.path, config.path});
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "pylocheck: cannot write \"" + old.path + "\"\npylocheck: " + old.path + ": File too large\n");
    EXPECT_EQ(readAll(old.path), "old image");
}

// A link, to a file or to nothing yet, stays a link: the image goes to what it leads to.
TEST(Check, ImageWritesThroughLinks)
{
    Scratch config("in01:[a]\n"), target("old image"), nothing(nullptr);
    for (const std::string& to : {target.path, nothing.path}) {
        SCOPED_TRACE(to);
        const std::string link = to + ".link";
        ASSERT_EQ(symlink(to.c_str(), link.c_str()), 0);
        EXPECT_EQ(runTool({"--image", link, config.path}).status, 0);
        struct stat st;
        EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << "the link was replaced";
        EXPECT_EQ(readAll(to).size(), kImageSize);
        unlink(link.c_str());
    }
}

}  // namespace
