#include "link/port_name.h"

bool isDevicePath(const char* text) { return text[0] == '/'; }
