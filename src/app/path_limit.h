// SPDX-License-Identifier: MIT
// How long a configuration file name the run takes, in bytes; a longer one is reported as a
// file that cannot be opened. One definition per platform.
#pragma once

#include <cstddef>

// Room for the longest name any platform takes, and its end: Windows names reach 32,767
// UTF-16 units, each up to three bytes in UTF-8.
constexpr std::size_t kPathRoom = 3 * 32767 + 1;

// The longest name on this platform: 255 bytes on Linux, as the tool has always taken;
// on Windows every name the system can open.
extern const std::size_t kLongestPath;
