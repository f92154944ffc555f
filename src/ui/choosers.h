// Asks the user for what the command line left out: the configuration file and the port.
#pragma once

#include <cstddef>

// Fills path (size bytes) with the chosen file; false when cancelled or failed.
bool chooseFile(char* path, std::size_t size);

// The chosen port's index 0 ... 5 ("Com 1" ... "Com 6"), or -1 for no choice.
int choosePort();
