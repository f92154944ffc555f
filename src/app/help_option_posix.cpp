// SPDX-License-Identifier: MIT
#include "app/help_option.h"

#include <cstring>

bool isHelpOption(const char* arg) { return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-?") == 0; }
