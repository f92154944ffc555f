// SPDX-License-Identifier: MIT
// The pseudo-terminal the simulator answers on, and the watch that tells when the host
// has closed its side.
#pragma once

#include <cstddef>

struct SimTerminal {
    int master;     // the simulator's end
    int slave;      // held open so the terminal lives on between host sessions
    char path[128]; // the host's end
    int watch;      // inotify descriptor on path, or -1 where that is not available
    int openers;    // opens of path by other processes not yet closed
};

// Opens a raw pseudo-terminal and starts watching its path; false with errno on failure.
bool openSimTerminal(SimTerminal& terminal);

// Reads the pending watch events. True when, among them, the last opener of the path closed it.
bool readWatchEvents(SimTerminal& terminal);

void closeSimTerminal(SimTerminal& terminal);
