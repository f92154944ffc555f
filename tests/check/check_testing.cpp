#include "check_testing.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include <unistd.h>

#include "check/check_tool.h"

namespace {

std::string newScratchName()
{
    char name[] = "/tmp/pylocheck_test_XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return name;
}

}  // namespace

std::string drain(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

ScratchFile::ScratchFile(std::string_view content) : path(newScratchName())
{
    std::ofstream file(path, std::ios::binary);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
}

ScratchFile::~ScratchFile() { std::remove(path.c_str()); }

ScratchPath::ScratchPath() : path(newScratchName()) { std::remove(path.c_str()); }

ScratchPath::~ScratchPath() { std::remove(path.c_str()); }

ToolRun runTool(const std::vector<std::string>& args, const char* outPath)
{
    std::vector<const char*> argv{"pylocheck"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::FILE* out = outPath != nullptr ? std::fopen(outPath, "w") : std::tmpfile();
    std::FILE* err = std::tmpfile();
    ToolRun run;
    run.status = runCheckTool(static_cast<int>(argv.size()), argv.data(), out, err);
    if (outPath != nullptr) {
        std::fclose(out);
    } else {
        run.out = drain(out);
    }
    run.err = drain(err);
    return run;
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
