// libFuzzer target: any bytes as a configuration file, compiled plainly and through the
// checker's observer. The two images must be equal, and the report must print.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "check/diagnostics.h"
#include "config/config_reader.h"

namespace {

const std::string& scratchPath()
{
    static const std::string path = "/tmp/fuzz_check_" + std::to_string(getpid()) + ".txt";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = scratchPath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    static ConfigImage plain;
    static ConfigImage observed;
    plain.bytes.fill(0x11);
    observed.bytes.fill(0x22);
    CheckReport report;
    if (!readConfigFile(path.c_str(), plain)) std::abort();
    if (!checkConfigFile(path.c_str(), report, observed)) std::abort();
    if (plain.bytes != observed.bytes) std::abort();

    static std::FILE* sink = std::fopen("/dev/null", "w");
    printReport(sink, "fuzz.txt", report);
    int warnings = 0;
    for (const Diagnostic& d : report.items) {
        if (d.line < 1 || d.column < 1) std::abort();
        if (d.severity == Severity::Warning) ++warnings;
    }
    if (warnings != report.warnings) std::abort();
    return 0;
}
