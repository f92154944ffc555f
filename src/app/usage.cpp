// SPDX-License-Identifier: MIT
#include "app/usage.h"

#include <cstdio>
#include <cstring>

#include "app/platform.h"
#include "pylo_version.h"

namespace {

const char kUsage[] =
    "usage: pyloload [CONFIG [PORT [MODE]]]\n"
    "       pyloload --help | -? | --version\n"
    "\n"
    "Compiles the PYLO configuration file CONFIG and writes it into the device on PORT.\n"
    "  CONFIG  the configuration file; left out, you are asked for it\n"
    "  PORT    1 ... 6: COM1 ... COM6 on Windows, /dev/ttyS0 ... /dev/ttyS5 on Linux;\n"
    "          or a port name: COM7, \\\\.\\COM12 on Windows; /dev/ttyUSB0, ttyUSB0 on Linux;\n"
    "          left out, you are asked for it\n"
    "  MODE    -E  error messages only\n"
    "          -H  no messages, only the progress dots\n"
    "\n"
    "Exit status: 0 configuration sent (or a chooser cancelled), 1 file error,\n"
    "2 port error, 3 no PYLO answered, 4 link error (upload incomplete: run it again),\n"
    "128+n stopped by signal n (130 Ctrl-C, 143 SIGTERM).\n"
    "\n"
    "Example: pyloload keys.txt 1\n"
    "A file named like an option is reached as ./--help.\n";

}  // namespace

int runInfoOption(int argc, char** argv)
{
    if (argc < 2) return kNotAnInfoOption;
    const char* arg = argv[1];
    if (isHelpOption(arg)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (std::strcmp(arg, "--version") == 0) {
        std::fputs("pyloload " PYLO_VERSION "\n", stdout);
        return 0;
    }
    return kNotAnInfoOption;
}
