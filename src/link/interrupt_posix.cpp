// SPDX-License-Identifier: MIT
// Ctrl-C, termination requests, a hang-up of the terminal and quit on POSIX systems. The handlers are installed without
// SA_RESTART, so a blocked call returns EINTR and the link's loops see the request soon. Signals
// that were ignored at start are left alone.
#include "link/interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t gPending = 0;

struct SavedAction {
    int signal;
    struct sigaction previous;
    bool installed;
};

SavedAction gSaved[] = {{SIGINT, {}, false}, {SIGTERM, {}, false}, {SIGHUP, {}, false}, {SIGQUIT, {}, false}};

void recordInterrupt(int signal) { gPending = signal; }

}  // namespace

void armInterrupt() {
    gPending = 0;
    for (SavedAction& saved : gSaved) {
        saved.installed = false;
        // A signal ignored when the tool started (nohup, a shell's background job) stays ignored.
        if (sigaction(saved.signal, nullptr, &saved.previous) != 0 || saved.previous.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = recordInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        saved.installed = sigaction(saved.signal, &action, nullptr) == 0;
    }
}

void disarmInterrupt() {
    for (SavedAction& saved : gSaved) {
        if (saved.installed) {
            sigaction(saved.signal, &saved.previous, nullptr);
            saved.installed = false;
        }
    }
}

int pendingInterrupt() { return gPending; }

