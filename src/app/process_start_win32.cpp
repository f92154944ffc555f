// SPDX-License-Identifier: MIT
// Windows: ports and files are handles of their own, never the standard streams' numbers, and a
// closed pipe makes a print fail without a signal. Nothing to prepare.
#include "app/process_start.h"

bool prepareProcess() { return true; }
