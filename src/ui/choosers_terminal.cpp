// SPDX-License-Identifier: MIT
// The choosers as terminal prompts: a path typed at a prompt, and a numbered list of ports.
#include "ui/choosers.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>


namespace {

// Reads one answer line without its line end; false at end of input. An answer longer than
// the buffer is read to its end and reported as too long through tooLong.
bool readAnswer(char* answer, std::size_t size, bool& tooLong)
{
    tooLong = false;
    std::fflush(stdout);
    if (std::fgets(answer, static_cast<int>(size), stdin) == nullptr) return false;
    std::size_t n = std::strlen(answer);
    if (n > 0 && answer[n - 1] == '\n') {
        answer[--n] = '\0';
    } else if (int c = std::getchar(); c != EOF && c != '\n') {  // a full buffer may end the line exactly
        tooLong = true;
        while ((c = std::getchar()) != EOF && c != '\n') {
        }
    }
    if (n > 0 && answer[n - 1] == '\r') answer[--n] = '\0';
    return true;
}

bool isReadableFile(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// The number 1 ... count that answer is, written without leading zeros; 0 otherwise.
int listNumber(const char* answer, int count)
{
    int number = 0;
    for (const char* p = answer; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || (p == answer && *p == '0') || number > count) return 0;
        number = number * 10 + (*p - '0');
    }
    return number <= count ? number : 0;
}

}  // namespace

bool chooseFile(char* path, std::size_t size)
{
    std::printf("Please select a PYLO configuration file\n");
    for (;;) {
        std::printf("File (Enter alone cancels): ");
        bool tooLong = false;
        if (!readAnswer(path, size, tooLong)) {
            std::printf("\n");
            return false;
        }
        if (tooLong) {
            std::printf("That path is longer than %zu characters.\n", size - 1);
            continue;
        }
        if (path[0] == '\0') return false;
        if (isReadableFile(path)) return true;
        std::printf("No such file: %s\n", path);
    }
}

bool choosePortFrom(const PortList& present, PortChoice& chosen)
{
    const int count = kFixedPortCount + present.count;
    std::printf("Please select the output port\n");
    for (int i = 1; i <= kFixedPortCount; ++i) {
        PortChoice fixed;
        fixedPort(i, fixed);
        std::printf("  %d  Com %d  (%s)\n", i, i, fixed.device);
    }
    for (int i = 0; i < present.count; ++i) {
        std::printf("  %d  %s\n", kFixedPortCount + 1 + i, present.ports[i].shown);
    }
    std::printf("  or type the path of a port\n");
    for (;;) {
        std::printf("Port 1-%d, Enter for Com 1, c to cancel: ", count);
        char answer[kPortTextSize];
        bool tooLong = false;
        if (!readAnswer(answer, sizeof answer, tooLong)) {
            std::printf("\n");
            return false;
        }
        if (tooLong) continue;
        if (answer[0] == '\0') {
            fixedPort(1, chosen);
            return true;
        }
        if ((answer[0] == 'c' || answer[0] == 'C') && answer[1] == '\0') return false;
        const int number = listNumber(answer, count);
        if (number > kFixedPortCount) {
            chosen = present.ports[number - kFixedPortCount - 1].port;
            return true;
        }
        if (number > 0) {
            fixedPort(number, chosen);
            return true;
        }
        if (portFromText(answer, chosen)) return true;
    }
}

bool choosePort(PortChoice& chosen)
{
    static PortList present;
    listPresentPorts(present);
    return choosePortFrom(present, chosen);
}
