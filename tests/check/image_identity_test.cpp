// The diagnostics observer must never change what the compiler builds: every test
// configuration is compiled both plainly and through the checker, and the 8196 bytes compared.
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "check/diagnostics.h"
#include "check_testing.h"
#include "config/config_reader.h"

namespace {

namespace fs = std::filesystem;

// Compiles path both ways; reports the first differing offset.
::testing::AssertionResult compilesTheSame(const std::string& path)
{
    ConfigImage plain;
    ConfigImage observed;
    plain.bytes.fill(0xA5);
    observed.bytes.fill(0x5A);
    CheckReport report;
    if (!readConfigFile(path.c_str(), plain)) return ::testing::AssertionFailure() << "cannot open " << path;
    if (!checkConfigFile(path.c_str(), report, observed)) {
        return ::testing::AssertionFailure() << "checker cannot open " << path;
    }
    for (std::size_t i = 0; i < kImageSize; ++i) {
        if (plain.bytes[i] != observed.bytes[i]) {
            return ::testing::AssertionFailure() << path << ": byte " << i << " is " << int{plain.bytes[i]}
                                                 << " plainly but " << int{observed.bytes[i]} << " when checked";
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> textFilesIn(const char* directory)
{
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(directory, error)) {
        if (item.is_regular_file() && item.path().extension() == ".txt") paths.push_back(item.path().string());
    }
    return paths;
}

// A line made of pieces that the compiler treats differently, good and bad, so that random
// files reach every rejection and every entry fault.
std::string randomLine(std::mt19937& random)
{
    static const char* heads[] = {"in01:", "in72|", "IN07:", "in7:", " in05:", "in00:", "in73:", "in10 ", "in12:<R>",
                                  "in13|<S>", "in14:<s><r>", "in15:<X>", "in16|<R><S><R>", "prel:y", "PREL:N",
                                  "revx:y", "revy:Y", "revz:y", "mset:", "MSET:2", "mset:7", "rot1:y", "rot5:y",
                                  "ROT3:n", "# ", "", "\t", "key:", "in", "pr", "ms"};
    static const char* bodies[] = {"[a]", "[shift]", "[shft]", "[(+)(-)a]", "[(-)(+)b]", "[a(+)]", "[(n)7]",
                                   "[(n)x]", "[(~)A]", "[(d)0]", "[(d)250]", "[(d)x]", "[128]", "[65]", "[]",
                                   "[[]", "[]]", "[a[b]", "junk", "[ ]", "[(+)]", "[f13]", "[\"]", "[", "]",
                                   "[(D)5]", "[256]", "[007]"};
    std::string line = heads[random() % (sizeof heads / sizeof heads[0])];
    const unsigned count = random() % 45;
    for (unsigned i = 0; i < count; ++i) line += bodies[random() % (sizeof bodies / sizeof bodies[0])];
    switch (random() % 8) {
    case 0:
        line += "\r\n";
        break;
    case 1:
        line += std::string(random() % 300, ' ');
        line += "\n";
        break;
    default:
        line += "\n";
    }
    return line;
}

TEST(ImageIdentity, TestInputs)
{
    const std::vector<std::string> paths = textFilesIn(PYLO_CHECK_INPUTS);
    ASSERT_GE(paths.size(), 3u);
    for (const std::string& path : paths) EXPECT_TRUE(compilesTheSame(path));
}

TEST(ImageIdentity, Examples)
{
    const std::vector<std::string> paths = textFilesIn(PYLO_EXAMPLES);
    if (paths.empty()) GTEST_SKIP() << "no examples/*.txt in this tree";
    for (const std::string& path : paths) EXPECT_TRUE(compilesTheSame(path));
}

TEST(ImageIdentity, GeneratedFiles)
{
    std::mt19937 random(20240611u);
    for (int file = 0; file < 400; ++file) {
        std::string content;
        if (file % 7 == 0) content += "\xEF\xBB\xBF";
        const unsigned lines = 1 + random() % 40;
        for (unsigned i = 0; i < lines; ++i) content += randomLine(random);
        if (file % 11 == 0) content += std::string("in09:[a]\x1A") + "in10:[b]\n";
        if (file % 13 == 0) content.push_back('\0');
        ScratchFile scratch(content);
        EXPECT_TRUE(compilesTheSame(scratch.path)) << "generated file " << file;
    }
}

TEST(ImageIdentity, RandomBytes)
{
    static const char alphabet[] = "in:|[]()<>+-ndDsSrR~0123456789aY \n\r\t";
    std::mt19937 random(77u);
    for (int file = 0; file < 300; ++file) {
        std::string content(random() % 2000, '\0');
        for (char& c : content) c = alphabet[random() % (sizeof alphabet - 1)];
        ScratchFile scratch(content);
        EXPECT_TRUE(compilesTheSame(scratch.path)) << "random file " << file;
    }
}

}  // namespace
