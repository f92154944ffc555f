// Which port arguments name a device directly.
#pragma once

// True when text is a device path the platform opens as it stands (an absolute path such as
// /dev/ttyUSB0 on Linux; never on Windows, where ports are COM1 ... COM6).
bool isDevicePath(const char* text);
