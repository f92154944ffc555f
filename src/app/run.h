// SPDX-License-Identifier: MIT
// The tool's run, top to bottom: command line, choosers, compile, upload, report.
#pragma once

// Returns the exit status.
int runTool(int argc, char** argv);
