// SPDX-License-Identifier: MIT
#include "app/path_limit.h"

const std::size_t kLongestPath = kPathRoom - 1;
