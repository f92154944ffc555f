// SPDX-License-Identifier: MIT
// Through the wide call: a name outside the ANSI code page opens too.
#include "config/file_open.h"

#include "win32/wide_text.h"

std::FILE* openForReading(const char* path) { return _wfopen(widen(path).c_str(), L"rb"); }
