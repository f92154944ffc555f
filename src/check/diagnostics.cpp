// SPDX-License-Identifier: MIT
#include "check/diagnostics.h"

#include <cstring>
#include <utility>

#include "check/check_state.h"

namespace check_detail {

std::string sourceOf(const char* text)
{
    std::size_t n = std::strlen(text);
    if (n > 0 && text[n - 1] == '\n') --n;
    return std::string(text, n);
}

// Messages and sources are moved, not copied, into the report: a file full of findings makes
// thousands of them.
void addAt(CheckState& state, int line, int column, Severity severity, const char* code, std::string message,
           std::string source, int caret, bool tied, std::vector<Fix> fixes)
{
    addDiagnostic(*state.report, Diagnostic{line, column, severity, std::move(message), std::move(source), caret, code,
                                            tied, std::move(fixes)});
}

void add(CheckState& state, std::size_t column, Severity severity, const char* code, std::string message,
         bool withSource, bool tied, std::vector<Fix> fixes)
{
    const int caret = static_cast<int>(column);
    addAt(state, state.line, state.startColumn + caret + 1, severity, code, std::move(message),
          withSource ? sourceOf(state.text) : std::string(), caret, tied, std::move(fixes));
}

void warn(CheckState& state, std::size_t column, const char* code, std::string message, std::vector<Fix> fixes)
{
    state.lastCode = code;
    add(state, column, Severity::Warning, code, std::move(message), true, false, std::move(fixes));
}

void note(CheckState& state, std::size_t column, std::string message)
{
    add(state, column, Severity::Note, state.lastCode, std::move(message), false, true);
}

Fix fixRead(const CheckState& state, std::string title, std::size_t from, std::size_t to, std::string text)
{
    const int line = state.line - 1;
    const int start = state.startColumn;
    return Fix{std::move(title), {TextEdit{TextPoint{line, start + static_cast<int>(from)},
                                           TextPoint{line, start + static_cast<int>(to)}, std::move(text)}}};
}

}  // namespace check_detail

namespace {

using namespace check_detail;

// The diagnostics observer: each event of the compiler goes to the explanation of its concern.
void onLineRead(void* context, const LineEvent& event)
{
    auto& state = *static_cast<CheckState*>(context);
    checkRead(state.reads, *state.report, event);
    std::strncpy(state.text, event.text, kTextBufferSize - 1);
    state.text[kTextBufferSize - 1] = '\0';
    state.line = event.physicalLine;
    state.startColumn = event.startColumn;
    state.continuation = event.startColumn > 0;
    state.entryCount = 0;
    if (!state.continuation) {
        state.physicalIsComment = isComment(event.text);
        state.splitReported = false;
    }
    state.splitPending = state.continuation && !isLineEnd(event.text[0]);
}

void onLineRejected(void* context, LineFault fault, std::size_t column)
{
    auto& state = *static_cast<CheckState*>(context);
    if (state.continuation) {
        explainSplit(state, false);
        return;
    }
    if (!looksLikeStatement(state.text)) return;
    explainLineFault(state, fault, column);
}

void onEntryCut(void* context, const EntryEvent& event)
{
    auto& state = *static_cast<CheckState*>(context);
    if (state.entryCount >= kMostEntries) return;
    EntryRecord& record = state.entries[state.entryCount++];
    record.event = event;
    record.event.entry = nullptr;
    record.entry = event.entry != nullptr ? *event.entry : SequenceEntry{};
}

void onStatementAccepted(void* context, const Statement& statement)
{
    auto& state = *static_cast<CheckState*>(context);
    if (state.continuation) explainSplit(state, true);
    if (statement.kind >= 1 && statement.kind <= kInputCount) explainEntries(state, statement);
    rememberOverrides(state, statement);
}

}  // namespace

void clearReport(CheckReport& report)
{
    report.items.clear();
    report.warnings = 0;
    report.notes = 0;
    report.omitted = 0;
}

void addDiagnostic(CheckReport& report, Diagnostic d)
{
    if (d.severity == Severity::Warning) {
        ++report.warnings;
    } else {
        ++report.notes;
    }
    if (static_cast<long long>(report.items.size()) < kMostDiagnostics) {
        report.items.push_back(std::move(d));
    } else {
        ++report.omitted;
    }
}

namespace {

void onTextEnded(void* context, int physicalLine, int column)
{
    checkTextEnd(*static_cast<CheckState*>(context)->report, physicalLine, column);
}

// Starts a report and runs compile with the diagnostics observer.
template <typename Compile>
bool checkWith(CheckReport& report, Compile compile)
{
    clearReport(report);
    // Value-initialised: every position and count starts at zero. On the stack, as its size is
    // fixed and small.
    CheckState state{};
    state.report = &report;
    state.lastCode = "";
    clearReadCheck(state.reads);
    const ParseObserver observer{&state,      onLineRead,          onLineRejected,
                                 onEntryCut,  onStatementAccepted, onTextEnded};
    return compile(&observer);
}

}  // namespace

bool checkConfigFile(const char* path, CheckReport& report, ConfigImage& image, int* error)
{
    return checkWith(report, [&](const ParseObserver* observer) {
        return readConfigFile(path, image, observer, error);
    });
}

void checkConfigBuffer(const std::uint8_t* data, std::size_t size, CheckReport& report, ConfigImage& image)
{
    checkWith(report, [&](const ParseObserver* observer) {
        compileConfigBuffer(data, size, image, observer);
        return true;
    });
}
