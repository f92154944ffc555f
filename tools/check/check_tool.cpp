#include "check/check_tool.h"

#include <cstring>
#include <memory>

#include "check/diagnostics.h"
#include "check/hex_dump.h"
#include "check/key_list.h"
#include "config/config_reader.h"
#include "pylo_version.h"

namespace {

const char kUsage[] =
    "usage: pylocheck CONFIG | --hex CONFIG | --image OUT CONFIG | --list-keys | --help | --version\n";

bool is(const char* arg, const char* option) { return std::strcmp(arg, option) == 0; }

// An argument that names a file rather than an option.
bool isFileName(const char* arg) { return arg[0] != '\0' && arg[0] != '-'; }

// The usage line, after naming the first argument that looks like an option and is none.
int usageError(int argc, const char* const* argv, std::FILE* err)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool known = is(arg, "--hex") || is(arg, "--image") || is(arg, "--list-keys") || is(arg, "--help") ||
                           is(arg, "-h") || is(arg, "--version");
        if (arg[0] == '-' && arg[1] != '\0' && !known) {
            std::fprintf(err, "pylocheck: unknown option '%s'\n", arg);
            break;
        }
    }
    std::fputs(kUsage, err);
    return kCheckUsageError;
}

int cannotOpen(std::FILE* err, const char* path, int status)
{
    std::fprintf(err, "pylocheck: cannot open \"%s\"\n", path);
    return status;
}

int hexDump(const char* path, std::FILE* out, std::FILE* err)
{
    auto image = std::make_unique<ConfigImage>();
    if (!readConfigFile(path, *image)) return cannotOpen(err, path, kCheckFileError);
    printHexDump(out, *image);
    return kCheckClean;
}

int writeImage(const char* outPath, const char* path, std::FILE* err)
{
    auto image = std::make_unique<ConfigImage>();
    if (!readConfigFile(path, *image)) return cannotOpen(err, path, kCheckFileError);
    std::FILE* file = std::fopen(outPath, "wb");
    if (file == nullptr) return cannotOpen(err, outPath, kCheckFileError);
    const bool written = std::fwrite(image->bytes.data(), 1, kImageSize, file) == kImageSize;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(err, "pylocheck: cannot write \"%s\"\n", outPath);
        return kCheckFileError;
    }
    return kCheckClean;
}

int explain(const char* path, std::FILE* out, std::FILE* err)
{
    auto image = std::make_unique<ConfigImage>();
    CheckReport report;
    if (!checkConfigFile(path, report, *image)) return cannotOpen(err, path, kCheckExplainFileError);
    printReport(out, path, report);
    return report.warnings > 0 ? kCheckWarnings : kCheckClean;
}

}  // namespace

int runCheckTool(int argc, const char* const* argv, std::FILE* out, std::FILE* err)
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
    return usageError(argc, argv, err);
}
