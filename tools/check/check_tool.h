// The pylocheck command line:
//   pylocheck CONFIG              explain the file; 0 clean, 1 warnings, 2 usage or file error
//   pylocheck --hex CONFIG        the image as a hex dump; 0, or 1 when the file cannot be opened
//   pylocheck --image OUT CONFIG  the image's 8196 bytes into OUT; 0, or 1 when a file cannot be opened
//   pylocheck --list-keys         every key name with its key number
//   pylocheck --help              usage on standard output
//   pylocheck --version           the version on standard output
// A usage error names an unknown option, prints the usage line on standard error and ends with 2.
#pragma once

#include <cstdio>

constexpr int kCheckClean = 0;
constexpr int kCheckWarnings = 1;
constexpr int kCheckFileError = 1;       // --hex and --image
constexpr int kCheckUsageError = 2;
constexpr int kCheckExplainFileError = 2;  // the plain CONFIG form

int runCheckTool(int argc, const char* const* argv, std::FILE* out, std::FILE* err);
