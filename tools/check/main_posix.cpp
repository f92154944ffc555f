// SPDX-License-Identifier: MIT
// pylocheck: shows what a configuration file becomes, and explains what the compiler skips.
#include <cstdio>

#include "app/platform.h"
#include "check/check_tool.h"

int main(int argc, char** argv)
{
    if (!prepareProcess()) return kCheckFileError;
    return runCheckTool(argc, argv, stdout, stderr);
}
