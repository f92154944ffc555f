// SPDX-License-Identifier: MIT
// The Windows entry: the command line as Windows holds it (UTF-16), passed on in UTF-8, so a
// file name outside the ANSI code page arrives whole.
#include <string>
#include <vector>

#include "app/run.h"
#include "win32/wide_text.h"

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    std::vector<char*> utf8 = utf8Arguments(argc, argv, args);
    return runTool(argc, utf8.data());
}
