// SPDX-License-Identifier: MIT
// What a session delivered, in the configuration language's own notation.
#pragma once

#include <cstdio>

#include "sim_device.h"

// One line per sequence of every input that received entries this session (its long
// sequence after "inNN:", its short one after "inNN|", each up to its first empty slot),
// the number of inputs that received only empty sequences, then the option bytes if they
// were written.
void showSession(std::FILE* out, const SimDevice& device);
