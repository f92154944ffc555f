// SPDX-License-Identifier: MIT
#include "sim_terminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

bool openSimTerminal(SimTerminal& terminal) {
    terminal.master = -1;
    terminal.slave = -1;
    terminal.watch = -1;
    terminal.openers = 0;
    terminal.path[0] = '\0';
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        return false;
    }
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, terminal.path, sizeof terminal.path) != 0) {
        close(master);
        return false;
    }
    int slave = open(terminal.path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        close(master);
        return false;
    }
    termios t{};
    if (tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        tcsetattr(slave, TCSANOW, &t);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    terminal.master = master;
    terminal.slave = slave;

    // Opens and closes of the terminal by anyone else; ours happened before the watch.
    int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch >= 0 &&
        inotify_add_watch(watch, terminal.path, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        close(watch);
        watch = -1;
    }
    terminal.watch = watch;
    return true;
}

bool readWatchEvents(SimTerminal& terminal) {
    alignas(inotify_event) char buffer[4096];
    bool lastClosed = false;
    for (;;) {
        ssize_t n = read(terminal.watch, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        for (ssize_t at = 0; at < n;) {
            const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & IN_OPEN) != 0) {
                ++terminal.openers;
            }
            if ((event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) != 0 && terminal.openers > 0) {
                --terminal.openers;
                lastClosed = lastClosed || terminal.openers == 0;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return lastClosed;
}

void closeSimTerminal(SimTerminal& terminal) {
    if (terminal.watch >= 0) {
        close(terminal.watch);
    }
    if (terminal.slave >= 0) {
        close(terminal.slave);
    }
    if (terminal.master >= 0) {
        close(terminal.master);
    }
    terminal.watch = terminal.slave = terminal.master = -1;
}
