// SPDX-License-Identifier: MIT
// Whether the console was opened just for this process (the program was double-clicked, or
// a file was dropped on it): it closes with the process, so the outcome must wait for Enter.
#pragma once

bool consoleOpenedForThisProcess();
