// SPDX-License-Identifier: MIT
// The language server in-process: from a didChange message to its publishDiagnostics written, on
// the largest configuration (every slot of every sequence, every option) and on a 5,000-line file
// with misspelt names on every line (its findings capped at 1,000), next to the checker's own time
// on the same text; and the time to answer a completion. Run by hand, not by ctest:
//   build/bench/bench_lsp
#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "check/diagnostics.h"
#include "check/lsp_json.h"
#include "check/lsp_server.h"

namespace {

std::string twoDigits(int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

// As scripts/bench_upload.sh makes it.
std::string largestFile()
{
    static const char* const keys[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p",
                                       "q", "r", "s", "t", "u", "v", "w", "x", "y", "z", "f1", "f2", "f3", "shift", "ctrl", "alt"};
    std::string text = "PREL:Y\nREVX:Y\nREVY:Y\nMSET:3\nROT1:Y\nROT2:Y\nROT3:Y\nROT4:Y\n";
    for (int n = 1; n <= 72; ++n) {
        text += "in" + twoDigits(n) + ":";
        for (int s = 0; s < 32; ++s) text += std::string("[") + keys[(n + s) % 32] + "]";
        text += "\nin" + twoDigits(n) + "|";
        for (int s = 0; s < 16; ++s) text += std::string("[(+)") + keys[(n + 3 * s) % 32] + "]";
        text += "\n";
    }
    return text;
}

// As scripts/bench_web.mjs makes it: 5,000 lines, about 300 KB, misspelt names on every line.
std::string bigFile()
{
    std::string text;
    for (int i = 0; i < 5000; ++i) {
        text += "in" + twoDigits(i % 72 + 1) + (i % 2 != 0 ? "|" : ":") +
                "[shfit][a][b][entr][c][d][(+)ctrl][x][(-)ctrl][f1][g][h]\n";
    }
    return text;
}

struct Session {
    std::string output;
    LanguageServer server;

    explicit Session(const std::string& text)
    {
        startServer(server, stringSink(output));
        handleMessage(server, R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})");
        const Json open{{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"},
                        {"params", {{"textDocument", {{"uri", "file:///bench.txt"}, {"languageId", "pylo"}, {"version", 1}, {"text", text}}}}}};
        handleMessage(server, open.dump());
    }
};

// A one-character edit on line, as typing makes it: the character at column becomes text.
std::string change(int line, int column, const char* text)
{
    const Json range{{"start", {{"line", line}, {"character", column}}}, {"end", {{"line", line}, {"character", column + 1}}}};
    return Json{{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"},
                {"params", {{"textDocument", {{"uri", "file:///bench.txt"}, {"version", 2}}},
                            {"contentChanges", Json::array({{{"range", range}, {"text", text}}})}}}}
        .dump();
}

// Two edits in turn, each published: the same text comes back every second iteration.
void didChange(benchmark::State& state, const std::string& text, int line, int column, const char* first, const char* second)
{
    Session session(text);
    const std::string edits[2] = {change(line, column, first), change(line, column, second)};
    std::size_t turn = 0;
    for (auto _ : state) {
        session.output.clear();
        handleMessage(session.server, edits[turn++ % 2]);
        benchmark::DoNotOptimize(session.output.data());
    }
    if (session.output.find("publishDiagnostics") == std::string::npos) state.SkipWithError("nothing was published");
    state.counters["published_bytes"] = static_cast<double>(session.output.size());
}

void check(benchmark::State& state, const std::string& text)
{
    CheckReport report;
    ConfigImage image;
    for (auto _ : state) {
        checkConfigBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), report, image);
        benchmark::DoNotOptimize(image.bytes.data());
    }
    state.counters["findings"] = static_cast<double>(report.items.size());
}

void completion(benchmark::State& state, const std::string& text, int line, int column)
{
    Session session(text);
    const std::string request = Json{{"jsonrpc", "2.0"}, {"id", 2}, {"method", "textDocument/completion"},
                                     {"params", {{"textDocument", {{"uri", "file:///bench.txt"}}},
                                                 {"position", {{"line", line}, {"character", column}}}}}}
                                    .dump();
    for (auto _ : state) {
        session.output.clear();
        handleMessage(session.server, request);
        benchmark::DoNotOptimize(session.output.data());
    }
    if (session.output.find("\"items\"") == std::string::npos) state.SkipWithError("no completion came");
}

// Line 8 of the largest file is "in01:[b][c]...": its first entry's name becomes "x" and back.
void BM_DidChangeLargest(benchmark::State& state) { didChange(state, largestFile(), 8, 6, "x", "b"); }
void BM_CheckLargest(benchmark::State& state) { check(state, largestFile()); }
// Line 2,500's first name "shfit" becomes "shift" and back.
void BM_DidChangeBig(benchmark::State& state) { didChange(state, bigFile(), 2500, 9, "i", "f"); }
void BM_CheckBig(benchmark::State& state) { check(state, bigFile()); }
// Key names after "[sh" on line 2,500; statement heads and options at the start of a line.
void BM_CompletionKeyBig(benchmark::State& state) { completion(state, bigFile(), 2500, 8); }
void BM_CompletionHeadBig(benchmark::State& state) { completion(state, bigFile(), 2500, 0); }

BENCHMARK(BM_DidChangeLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DidChangeBig)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckBig)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompletionKeyBig)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompletionHeadBig)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
