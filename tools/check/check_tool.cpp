// SPDX-License-Identifier: MIT
#include "check/check_tool.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "check/diagnostics.h"
#include "check/hex_dump.h"
#include "check/image_file.h"
#include "check/key_list.h"
#include "check/lsp_server.h"
#include "check/lsp_stdio.h"
#include "config/config_reader.h"
#include "pylo_version.h"

namespace {

const char kUsage[] =
    "usage: pylocheck CONFIG | --hex CONFIG | --image OUT CONFIG | --list-keys | --help | --version\n";

bool is(const char* arg, const char* option) { return std::strcmp(arg, option) == 0; }

// An argument that names a file rather than an option.
bool isFileName(const char* arg) { return arg[0] != '\0' && arg[0] != '-'; }

bool isOption(const char* arg)
{
    for (const char* option : {"--hex", "--image", "--list-keys", "--lsp", "--stdio", "--help", "-h", "--version"}) {
        if (is(arg, option)) return true;
    }
    return false;
}

// The usage line, after a line naming the first argument that is no option, if there is one.
int usageError(int argc, const char* const* argv, std::FILE* err)
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-' && !isOption(argv[i])) {
            std::fprintf(err, "pylocheck: unknown option '%s'\n", argv[i]);
            break;
        }
    }
    std::fputs(kUsage, err);
    return kCheckUsageError;
}

// The file message pylocheck has always printed, then the system's reason.
int cannotRead(std::FILE* err, const char* path, int error)
{
    std::fprintf(err, "pylocheck: cannot open \"%s\"\n", path);
    std::fprintf(err, "pylocheck: %s: %s\n", path, std::strerror(error));
    return kCheckFileError;
}

int hexDump(const char* path, std::FILE* out, std::FILE* err)
{
    auto image = std::make_unique<ConfigImage>();
    int error = 0;
    if (!readConfigFile(path, *image, nullptr, &error)) return cannotRead(err, path, error);
    printHexDump(out, *image);
    return kCheckClean;
}

int writeImage(const char* outPath, const char* path, std::FILE* err)
{
    auto image = std::make_unique<ConfigImage>();
    int error = 0;
    if (!readConfigFile(path, *image, nullptr, &error)) return cannotRead(err, path, error);
    return writeImageFile(outPath, path, *image, err) ? kCheckClean : kCheckFileError;
}

int explain(const char* path, std::FILE* out, std::FILE* err)
{
    auto image = std::make_unique<ConfigImage>();
    CheckReport report;
    int error = 0;
    if (!checkConfigFile(path, report, *image, &error)) return cannotRead(err, path, error);
    printReport(out, path, report);
    return report.warnings > 0 ? kCheckWarnings : kCheckClean;
}

int run(int argc, const char* const* argv, std::FILE* out, std::FILE* err)
{
    if (argc == 2 && (is(argv[1], "--help") || is(argv[1], "-h"))) {
        std::fputs(kUsage, out);
        return kCheckClean;
    }
    if (argc == 2 && is(argv[1], "--version")) {
        std::fputs("pylocheck " PYLO_VERSION "\n", out);
        return kCheckClean;
    }
    if (argc == 2 && is(argv[1], "--list-keys")) {
        printKeyList(out);
        return kCheckClean;
    }
    if (argc == 3 && is(argv[1], "--hex") && isFileName(argv[2])) return hexDump(argv[2], out, err);
    if (argc == 4 && is(argv[1], "--image") && isFileName(argv[2]) && isFileName(argv[3])) {
        return writeImage(argv[2], argv[3], err);
    }
    if (argc == 2 && isFileName(argv[1])) return explain(argv[1], out, err);
    // Editors' clients may add "--stdio" to say which channel they use: the only one there is.
    if ((argc == 2 || (argc == 3 && is(argv[2], "--stdio"))) && is(argv[1], "--lsp")) {
        return runLanguageServer(standardInput(), standardOutput(), err);
    }
    return usageError(argc, argv, err);
}

}  // namespace

int runCheckTool(int argc, const char* const* argv, std::FILE* out, std::FILE* err)
{
    const int status = run(argc, argv, out, err);
    // Output that did not reach its file is no success (a full disk, a closed pipe).
    if (std::fflush(out) != 0 || std::ferror(out) != 0) {
        const int error = errno;
        std::fprintf(err, "pylocheck: cannot write the output: %s\n", std::strerror(error != 0 ? error : EIO));
        return kCheckFileError;
    }
    return status;
}
