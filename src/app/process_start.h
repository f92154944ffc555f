// SPDX-License-Identifier: MIT
// What each program does first, before it opens anything.
#pragma once

// Standard input, output and error that were closed are opened on the null device, so that no
// file or port opened later takes their number and gets the dots, messages or report written
// into it; a closed pipe makes a print fail instead of ending the process. False when that
// could not be done (the program then stops at once).
bool prepareProcess();
