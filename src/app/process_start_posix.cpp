// SPDX-License-Identifier: MIT
#include "app/process_start.h"

#include <cerrno>
#include <csignal>

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
