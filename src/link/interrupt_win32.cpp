// SPDX-License-Identifier: MIT
// Ctrl-C and Ctrl-Break at the console through a console control handler. The handler runs
// on a thread of its own; it only records the request, and the upload stops between whole
// commands. Both keys count as SIGINT (2), so an interrupted run ends with status 130.
#include <windows.h>

#include <atomic>

#include "link/interrupt.h"

namespace {

constexpr int kSigint = 2;

std::atomic<int> pendingSignal{0};

BOOL WINAPI consoleControlHandler(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        pendingSignal.store(kSigint);
        return TRUE;
    }
    // Closing the console, logging off and shutting down keep their default effect.
    return FALSE;
}

}  // namespace

void armInterrupt() {
    pendingSignal.store(0);
    SetConsoleCtrlHandler(consoleControlHandler, TRUE);
}

void disarmInterrupt() {
    SetConsoleCtrlHandler(consoleControlHandler, FALSE);
}

int pendingInterrupt() {
    return pendingSignal.load();
}

