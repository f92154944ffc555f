// SPDX-License-Identifier: MIT
// Ctrl-C (and termination requests, a hang-up of the terminal, quit) during the upload: the handler only records the
// request; the upload stops between whole commands and closes the port cleanly.
#pragma once

// Starts catching interrupts; until then they keep their default effect.
void armInterrupt();

// Restores the default effect.
void disarmInterrupt();

// The signal number of a pending interrupt (SIGINT = 2 for Ctrl-C), or 0.
int pendingInterrupt();
