// SPDX-License-Identifier: MIT
#include "check/line_scan.h"

#include <cstring>
#include <string>

#include "config/config_reader.h"

namespace {

struct ScanState {
    LineScan* scan;
    int column;
    bool inTarget;  // the current read is the one kept
    bool found;
};

void onLineRead(void* context, const LineEvent& event)
{
    auto& state = *static_cast<ScanState*>(context);
    state.inTarget = false;
    if (state.found || event.physicalLine != 2) return;
    const int length = readLength(event);
    if (state.column >= event.startColumn + length && !event.endedLine) return;
    LineScan& scan = *state.scan;
    state.inTarget = true;
    state.found = true;
    std::memcpy(scan.text, event.text, static_cast<std::size_t>(length));
    scan.text[length] = '\0';
    scan.length = length;
    scan.startColumn = event.startColumn;
}

void onEntryCut(void* context, const EntryEvent& event)
{
    auto& state = *static_cast<ScanState*>(context);
    if (!state.inTarget) return;
    ScannedEntry scanned{event, event.entry != nullptr ? *event.entry : SequenceEntry{}};
    scanned.event.entry = nullptr;
    state.scan->entries.push_back(scanned);
    if (takesSlot(event.fault)) ++state.scan->used;
}

void onStatementAccepted(void* context, const Statement& statement)
{
    auto& state = *static_cast<ScanState*>(context);
    if (!state.inTarget) return;
    state.scan->statement = true;
    state.scan->parsed = statement;
    if (statement.kind >= 1 && statement.kind <= kInputCount) state.scan->end = firstUnsent(statement);
}

}  // namespace

int firstUnsent(const Statement& statement)
{
    const int limit = statement.isLong ? kLongSlots : kShortSlots;
    for (int slot = 0; slot < limit; ++slot) {
        std::uint8_t first;
        std::uint8_t second;
        encodeEntry(statement.entries[slot], first, second);
        if (second == 0) return slot;
    }
    return limit;
}

bool takesSlot(EntryFault fault)
{
    return fault != EntryFault::PlusMinusRefused && fault != EntryFault::BeyondLimit && fault != EntryFault::Unclosed;
}

int readLength(const LineEvent& event)
{
    const int length = static_cast<int>(std::strlen(event.text));
    return length > 0 && event.text[length - 1] == '\n' ? length - 1 : length;
}

void scanLine(std::string_view line, int column, LineScan& scan)
{
    scan.text[0] = '\0';
    scan.length = 0;
    scan.startColumn = 0;
    scan.statement = false;
    scan.parsed = Statement{};
    scan.used = 0;
    scan.end = 0;
    scan.entries.clear();
    // An empty line first: the line is read as any line past the first, where a byte-order mark
    // is text like any other.
    std::string text;
    text.reserve(line.size() + 2);
    text += '\n';
    text += line;
    text += '\n';
    ScanState state{&scan, column, false, false};
    const ParseObserver observer{&state, onLineRead, nullptr, onEntryCut, onStatementAccepted, nullptr};
    ConfigImage image;
    compileConfigBuffer(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), image, &observer);
}
