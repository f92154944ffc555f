// SPDX-License-Identifier: MIT
// The Linux port names with the device directory given, so that a test can build its own.
// port_name.h's functions are these with "/dev".
#pragma once

#include "link/port_name.h"

bool portFromTextUnder(const char* deviceRoot, const char* text, PortChoice& port);

// The links in deviceRoot/serial/by-id in name order, shown with the adapter's name and the
// device the link leads to; then every deviceRoot/ttyUSBn and ttyACMn that no link leads to,
// in name and number order.
void listPresentPortsUnder(const char* deviceRoot, PortList& list);
