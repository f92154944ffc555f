// SPDX-License-Identifier: MIT
// The options that ask about the program instead of running it: --help, -? (and /? on
// Windows) print the usage, --version the version.
#pragma once

constexpr int kNotAnInfoOption = -1;

// When the first argument is one of these options, prints the answer on standard output and
// returns the exit status (0); otherwise prints nothing and returns kNotAnInfoOption. Only an
// exact match counts: a file named like an option is reached as ./--help.
int runInfoOption(int argc, char** argv);
