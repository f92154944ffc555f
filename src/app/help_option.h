// SPDX-License-Identifier: MIT
// Which first arguments ask for the usage: --help and -? everywhere, and /? on Windows,
// where it is the custom (on Linux /? is a path).
#pragma once

bool isHelpOption(const char* arg);
