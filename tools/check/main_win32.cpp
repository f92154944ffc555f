// SPDX-License-Identifier: MIT
// pylocheck on Windows: the command line as Windows holds it (UTF-16), passed on in UTF-8, so
// a file name outside the ANSI code page arrives whole.
#include <cstdio>
#include <string>
#include <vector>

#include "app/platform.h"
#include "check/check_tool.h"
#include "win32/wide_text.h"

int wmain(int argc, wchar_t** argv)
{
    if (!prepareProcess()) return kCheckFileError;
    std::vector<std::string> args;
    std::vector<char*> utf8 = utf8Arguments(argc, argv, args);
    return runCheckTool(argc, utf8.data(), stdout, stderr);
}
