// SPDX-License-Identifier: MIT
// Time to compile configuration files through readConfigFile: the largest file the language
// allows, a file of long unknown names (every lookup misses), and a typical small
// file. Two more split the cost between reading lines and compiling from memory.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "config/config_reader.h"
#include "config/line_reader.h"

namespace {

constexpr std::size_t kLineBudget = 254;  // characters before the newline: one read per line

// Entries with long names and many markers, longest first.
const char* const kLongEntries[] = {
    "[(+)(~)(n)enter]", "[(-)rightcontrol]", "[(+)leftwindows]", "[(~)printscreen]", "[scrolllock]",
    "[(-)backspace]",   "[(+)(~)Q]",         "[(d)250]",         "[pagedown]",       "[(n)(+)7]",
    "[(-)(~)z]",        "[rightshift]",      "[capslock]",       "[(+)f12]",         "[!]",
};
const char* const kNearMisses[] = {
    "[(+)(~)rightcontrolx]", "[(-)leftwindowsz]", "[printscreen2]", "[scrolllockk]", "[backspaces]",
};

// 32 (or 16) entries in at most kLineBudget characters, as long as they can be.
std::string inputLine(int input, bool isLong, const char* const* pool, std::size_t poolSize, std::size_t& turn)
{
    char head[16];
    std::snprintf(head, sizeof head, "in%02d%c<R>", input, isLong ? ':' : '|');
    std::string line = head;
    const int slots = isLong ? 32 : 16;
    for (int s = 0; s < slots; ++s) {
        const std::size_t reserve = 3 * static_cast<std::size_t>(slots - s - 1);  // "[a]" for the rest
        std::string entry = "[a]";
        for (std::size_t k = 0; k < poolSize; ++k) {
            const char* candidate = pool[(turn + k) % poolSize];
            if (line.size() + std::strlen(candidate) + reserve <= kLineBudget) {
                entry = candidate;
                break;
            }
        }
        ++turn;
        line += entry;
    }
    return line + "\r\n";
}

std::string options() { return "prel:y\nrevx:y\nrevy:y\nmset:3\nrot1:y\nrot2:y\nrot3:y\nrot4:y\n"; }

// Every input's long and short sequence filled from pool, then every option.
template <std::size_t N>
std::string fullFile(const char* const (&pool)[N])
{
    std::string text;
    std::size_t turn = 0;
    for (int input = 1; input <= 72; ++input) {
        text += inputLine(input, true, pool, N, turn);
        text += inputLine(input, false, pool, N, turn);
    }
    return text + options();
}

std::string largestFile() { return fullFile(kLongEntries); }

std::string nearMissFile() { return fullFile(kNearMisses); }

std::string smallFile()
{
    return "in01:[(+)ctrl][c]\n"
           "in02:[(+)ctrl][v]\n"
           "in03:[(+)alt][tab]\n"
           "in04|[esc]\n"
           "in10:<R>[(+)shift][h][e][l][l][o][(-)shift]\n"
           "prel:y\n"
           "mset:1\n";
}

struct BenchFile {
    std::string path;
    std::size_t size = 0;
    std::string text;

    explicit BenchFile(const std::string& content) : size(content.size()), text(content)
    {
        char name[] = "/tmp/bench_compile_XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0 || write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
            std::perror("bench file");
            std::abort();
        }
        close(fd);
        path = name;
    }
    ~BenchFile() { std::remove(path.c_str()); }
};

const BenchFile& largest()
{
    static const BenchFile file(largestFile());
    return file;
}

const BenchFile& nearMiss()
{
    static const BenchFile file(nearMissFile());
    return file;
}

const BenchFile& small()
{
    static const BenchFile file(smallFile());
    return file;
}

void compileFile(benchmark::State& state, const BenchFile& file)
{
    ConfigImage image;
    for (auto _ : state) {
        if (!readConfigFile(file.path.c_str(), image)) state.SkipWithError("cannot open the file");
        benchmark::DoNotOptimize(image.bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size));
}

void BM_CompileLargestFile(benchmark::State& state) { compileFile(state, largest()); }
void BM_CompileNearMissNames(benchmark::State& state) { compileFile(state, nearMiss()); }
void BM_CompileSmallFile(benchmark::State& state) { compileFile(state, small()); }

// The line reader alone over the largest file.
void BM_ReadLinesOfLargestFile(benchmark::State& state)
{
    const BenchFile& file = largest();
    char line[kTextBufferSize];
    static std::uint8_t piece[kFilePieceSize];
    for (auto _ : state) {
        LineReader reader;
        if (!openLineReader(reader, file.path.c_str(), piece, sizeof piece)) state.SkipWithError("cannot open the file");
        std::size_t total = 0;
        while (std::size_t n = readLine(reader, line)) total += n;
        closeLineReader(reader);
        benchmark::DoNotOptimize(total);
    }
}

// The largest file from memory: compiling alone, no file at all.
void BM_CompileLargestBuffer(benchmark::State& state)
{
    const std::string& text = largest().text;
    ConfigImage image;
    for (auto _ : state) {
        compileConfigBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), image);
        benchmark::DoNotOptimize(image.bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

BENCHMARK(BM_CompileLargestFile);
BENCHMARK(BM_CompileNearMissNames);
BENCHMARK(BM_CompileSmallFile);
BENCHMARK(BM_ReadLinesOfLargestFile);
BENCHMARK(BM_CompileLargestBuffer);

}  // namespace

BENCHMARK_MAIN();
