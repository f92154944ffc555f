// SPDX-License-Identifier: MIT
// The pylocheck command line:
//   pylocheck CONFIG              explain the file; 0 clean, 1 warnings
//   pylocheck --hex CONFIG        the image as a hex dump
//   pylocheck --image OUT CONFIG  the image's 8196 bytes into OUT
//   pylocheck --list-keys         every key name with its key number
//   pylocheck --lsp               a language server on standard input and output (lsp_server.h)
//   pylocheck --help              usage on standard output
//   pylocheck --version           the version on standard output
// Every form ends with 2 on a usage error (the usage line on standard error), on a file that
// cannot be opened or read, and on output that cannot be written.
#pragma once

#include <cstdio>

constexpr int kCheckClean = 0;
constexpr int kCheckWarnings = 1;
constexpr int kCheckUsageError = 2;
constexpr int kCheckFileError = 2;

int runCheckTool(int argc, const char* const* argv, std::FILE* out, std::FILE* err);
