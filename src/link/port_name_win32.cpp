#include "link/port_name.h"

bool isDevicePath(const char*) { return false; }
