// Every file under inputs/ is explained by pylocheck and the output compared with the file
// of the same name ending in .expected: the whole report, then "exit STATUS". The checker
// must also build the same image as the plain compiler. PYLO_UPDATE_GOLDEN=1 rewrites the
// .expected files from the program's output (review the diff before committing).
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "check/diagnostics.h"
#include "check_testing.h"
#include "config/config_reader.h"

namespace {

namespace fs = std::filesystem;

// The report with the inputs folder left out of the file names.
std::string explained(const std::string& path)
{
    const ToolRun run = runTool({path});
    std::string out = run.out + run.err + "exit " + std::to_string(run.status) + "\n";
    const std::string folder = std::string(PYLO_CHECK_INPUTS) + "/";
    for (std::size_t at; (at = out.find(folder)) != std::string::npos;) out.erase(at, folder.size());
    return out;
}

TEST(Golden, Inputs)
{
    std::vector<fs::path> inputs;
    for (const auto& item : fs::directory_iterator(PYLO_CHECK_INPUTS)) {
        const fs::path& p = item.path();
        if (item.is_regular_file() && p.extension() != ".expected" && p.filename().string()[0] != '.') {
            inputs.push_back(p);
        }
    }
    ASSERT_GE(inputs.size(), 10u);
    const bool update = std::getenv("PYLO_UPDATE_GOLDEN") != nullptr;
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        fs::path golden = input;
        golden.replace_extension(".expected");
        const std::string actual = explained(input.string());
        if (update) std::ofstream(golden, std::ios::binary) << actual;
        EXPECT_EQ(actual, readWholeFile(golden.string()));

        ConfigImage plain;
        ConfigImage checked;
        plain.bytes.fill(0xA5);
        checked.bytes.fill(0x5A);
        CheckReport report;
        ASSERT_TRUE(readConfigFile(input.c_str(), plain));
        ASSERT_TRUE(checkConfigFile(input.c_str(), report, checked));
        EXPECT_TRUE(plain.bytes == checked.bytes) << "the checker's image differs from the compiler's";
    }
}

// A report keeps the first 1000 findings and counts the rest in one line.
TEST(Golden, FindingsAreCapped)
{
    std::string content;
    for (int i = 0; i < 700; ++i) content += "in7:[a]\n";  // a warning and a note each
    ScratchFile file(content);
    const ToolRun run = runTool({file.path});
    EXPECT_EQ(run.status, 1);
    const std::string last = run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1);
    EXPECT_EQ(last, file.path + ": 400 more warnings and notes are not shown\n");
    EXPECT_EQ(run.out.find(file.path + ":501:"), std::string::npos);
    EXPECT_NE(run.out.find(file.path + ":500:3: note: did you mean 'in07:'?"), std::string::npos);
}

}  // namespace
