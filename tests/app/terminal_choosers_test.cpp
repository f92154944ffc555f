// The terminal choosers: what each answer typed at the prompts gives back.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <unistd.h>

#include "ui/choosers.h"

void portDeviceName(int port, char* out, std::size_t outSize)
{
    std::snprintf(out, outSize, "/dev/ttyS%d", port - 1);
}

namespace {

// Files of this process alone: ctest runs the cases of this file in parallel processes.
std::string tempPath(const char* name)
{
    return testing::TempDir() + std::to_string(getpid()) + "_" + name;
}

// Makes text the whole of standard input.
void typeAnswers(const std::string& text)
{
    const std::string path = tempPath("chooser_answers.txt");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    ASSERT_NE(std::freopen(path.c_str(), "rb", stdin), nullptr);
}

std::string existingFile()
{
    const std::string path = tempPath("chooser_config.txt");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("in01:[a]\n", f);
    std::fclose(f);
    return path;
}

TEST(PortPrompt, AnswersGiveIndexOrNoChoice)
{
    const struct {
        const char* typed;
        int index;
    } cases[] = {
        {"\n", 0},             // Enter alone takes the preselected "Com 1"
        {"4\n", 3},
        {"6\r\n", 5},
        {"c\n", -1},
        {"C\n", -1},
        {"", -1},              // end of input
        {"7\n0\nx\n2\n", 1},   // asked again until the answer is a port
        {"01\n5\n", 4},        // only the one-character forms are ports
        {"12345678901234567890123\n3\n", 2},
    };
    for (const auto& c : cases) {
        typeAnswers(c.typed);
        testing::internal::CaptureStdout();
        const int index = choosePort();
        const std::string shown = testing::internal::GetCapturedStdout();
        EXPECT_EQ(index, c.index) << "typed: " << c.typed;
        EXPECT_EQ(shown.rfind("Please select the output port\n", 0), 0u);
        EXPECT_NE(shown.find("Com 6  (/dev/ttyS5)"), std::string::npos);
    }
}

TEST(FilePrompt, AsksAgainUntilTheFileExists)
{
    const std::string file = existingFile();
    typeAnswers("/no/such/file.txt\n" + file + "\n");
    char path[256] = {};
    testing::internal::CaptureStdout();
    EXPECT_TRUE(chooseFile(path, sizeof path));
    const std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::string(path), file);
    EXPECT_EQ(shown.rfind("Please select a PYLO configuration file\n", 0), 0u);
    EXPECT_NE(shown.find("No such file: /no/such/file.txt"), std::string::npos);
}

TEST(FilePrompt, EmptyAnswerOrEndOfInputCancels)
{
    for (const char* typed : {"\n", ""}) {
        typeAnswers(typed);
        char path[256] = {};
        testing::internal::CaptureStdout();
        EXPECT_FALSE(chooseFile(path, sizeof path)) << "typed: " << typed;
        testing::internal::GetCapturedStdout();
    }
}

TEST(FilePrompt, PathLongerThanTheBufferIsRefusedNotCut)
{
    const std::string file = existingFile();
    typeAnswers(std::string(300, 'x') + "\n" + file + "\n");
    char path[256] = {};
    testing::internal::CaptureStdout();
    EXPECT_TRUE(chooseFile(path, sizeof path));
    const std::string shown = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::string(path), file);
    EXPECT_NE(shown.find("longer than 255 characters"), std::string::npos);
}

}  // namespace
