// SPDX-License-Identifier: MIT
#include "app/console_owner.h"

// A terminal outlives the programs it runs.
bool consoleOpenedForThisProcess() { return false; }
