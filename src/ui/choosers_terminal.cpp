// The choosers as terminal prompts: a path typed at a prompt, and a numbered list of ports.
#include "ui/choosers.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "link/serial.h"

namespace {

constexpr int kPortCount = 6;

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
    } else if (!std::feof(stdin)) {
        tooLong = true;
        int c;
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

int choosePort()
{
    std::printf("Please select the output port\n");
    for (int i = 1; i <= kPortCount; ++i) {
        char device[64];
        portDeviceName(i, device, sizeof device);
        std::printf("  %d  Com %d  (%s)\n", i, i, device);
    }
    for (;;) {
        std::printf("Port 1-6, Enter for Com 1, c to cancel: ");
        char answer[16];
        bool tooLong = false;
        if (!readAnswer(answer, sizeof answer, tooLong)) {
            std::printf("\n");
            return -1;
        }
        if (tooLong) continue;
        if (answer[0] == '\0') return 0;
        if ((answer[0] == 'c' || answer[0] == 'C') && answer[1] == '\0') return -1;
        if (answer[0] >= '1' && answer[0] <= '6' && answer[1] == '\0') return answer[0] - '1';
    }
}
