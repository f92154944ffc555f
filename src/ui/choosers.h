// SPDX-License-Identifier: MIT
// Asks the user for what the command line left out: the configuration file and the port.
#pragma once

#include <cstddef>

#include "link/port_name.h"

// Fills path (size bytes) with the chosen file; false when cancelled or failed.
bool chooseFile(char* path, std::size_t size);

// Offers ports 1 ... 6 ("Com 1" ... "Com 6") and after them the present ones; fills chosen and
// returns true, or returns false for no choice.
bool choosePortFrom(const PortList& present, PortChoice& chosen);

// choosePortFrom with the ports present on this system.
bool choosePort(PortChoice& chosen);
