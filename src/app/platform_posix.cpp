// SPDX-License-Identifier: MIT
// The front end on Linux and other POSIX systems.
#include "app/platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

bool prepareProcess()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is fd itself: those below it are open.
        const int opened = open("/dev/null", O_RDWR);
        if (opened != fd) {
            if (opened >= 0) close(opened);
            return false;
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

void printText(std::FILE* stream, const char* format, std::va_list args) { std::vfprintf(stream, format, args); }

// A terminal outlives the programs it runs.
bool consoleOpenedForThisProcess() { return false; }

bool isHelpOption(const char* arg) { return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-?") == 0; }

const std::size_t kLongestPath = 255;

// A shell tells a program that handled the signal and exited from one that the signal ended
// only by how it ended: exiting with 130 makes a `for` loop go on to the next file. So the
// signal's default action comes back and the signal is raised again; the shell's $? still
// reads 128 + signal.
int endBySignal(int signal)
{
    std::fflush(stdout);
    std::fflush(stderr);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    if (sigaction(signal, &action, nullptr) == 0) {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, signal);
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
        raise(signal);
    }
    return 128 + signal;  // not reached unless the signal could not end the process
}
