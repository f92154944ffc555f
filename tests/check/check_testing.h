// Helpers for the checker tests: temporary files and captured runs of the command line.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// A temporary file holding exactly content; removed by the destructor.
struct ScratchFile {
    std::string path;
    explicit ScratchFile(std::string_view content);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
};

// A path in the temporary directory that does not exist yet; removed by the destructor.
struct ScratchPath {
    std::string path;
    ScratchPath();
    ~ScratchPath();
    ScratchPath(const ScratchPath&) = delete;
    ScratchPath& operator=(const ScratchPath&) = delete;
};

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

// Runs the pylocheck command line with args (program name added) and captures both streams;
// with outPath, standard output goes to that file instead (out is then empty).
ToolRun runTool(const std::vector<std::string>& args, const char* outPath = nullptr);

std::string readWholeFile(const std::string& path);

// Everything written to a temporary stream (from std::tmpfile), which is then closed.
std::string drain(std::FILE* file);
