// SPDX-License-Identifier: MIT
#include "app/console_owner.h"

#include <windows.h>

// A console that lists this process alone was made for it; one that a command prompt shares
// lists the prompt too. No console at all (output to a pipe) gives 0.
bool consoleOpenedForThisProcess()
{
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}
