// SPDX-License-Identifier: MIT
// The outline of a text: every statement the compiler takes, in order, and the extent of a
// finding on its line, which is cut out of the text as the editors' calls take their lines.
#include <algorithm>
#include <cstring>
#include <string>

#include "check/assist.h"
#include "check/assist_text.h"
#include "check/line_scan.h"
#include "config/config_reader.h"

namespace {

struct OutlineState {
    std::vector<OutlineItem>* items;
    int line;
    int startColumn;
    int length;  // of the read, its line feed aside
    int used;
    int latest[kInputCount][2];  // 1 + the item of each sequence's statement so far, 0 for none
};

void onLineRead(void* context, const LineEvent& event)
{
    auto& state = *static_cast<OutlineState*>(context);
    state.line = event.physicalLine - 1;
    state.startColumn = event.startColumn;
    state.length = readLength(event);
    state.used = 0;
}

void onEntryCut(void* context, const EntryEvent& event)
{
    auto& state = *static_cast<OutlineState*>(context);
    if (takesSlot(event.fault)) ++state.used;
}

void onStatementAccepted(void* context, const Statement& statement)
{
    auto& state = *static_cast<OutlineState*>(context);
    std::vector<OutlineItem>& items = *state.items;
    const int from = state.startColumn;
    const int to = state.startColumn + state.length;
    if (statement.kind > kInputCount) {
        items.push_back(OutlineItem{optionName(statement.kind), optionEffect(statement), OutlineKind::Option,
                                    state.line, from, to, from + optionLength(state.length)});
        return;
    }
    const bool isLong = statement.isLong != 0;
    const int slots = isLong ? kLongSlots : kShortSlots;
    std::string detail = sequenceName(statement.kind, isLong) + ", " + std::to_string(state.used) + " of " +
                         std::to_string(slots) + " entries";
    const int sent = firstUnsent(statement);
    if (sent < state.used) detail += ", " + std::to_string(sent) + " sent";
    int& latest = state.latest[statement.kind - 1][isLong ? 0 : 1];
    if (latest > 0) items[static_cast<std::size_t>(latest - 1)].detail += "; replaced on line " + std::to_string(state.line + 1);
    latest = static_cast<int>(items.size()) + 1;
    items.push_back(OutlineItem{sequenceHead(statement.kind, isLong), detail,
                                isLong ? OutlineKind::LongSequence : OutlineKind::ShortSequence, state.line, from, to,
                                from + 5});
}

bool isEnd(char c) { return c == '[' || c == ']' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

}  // namespace

std::vector<OutlineItem> outlineOf(const std::uint8_t* data, std::size_t size)
{
    std::vector<OutlineItem> items;
    OutlineState state{};
    state.items = &items;
    const ParseObserver observer{&state, onLineRead, nullptr, onEntryCut, onStatementAccepted, nullptr};
    ConfigImage image;
    compileConfigBuffer(data, size, image, &observer);
    return items;
}

int findingEnd(std::string_view line, int column)
{
    const int length = static_cast<int>(line.size());
    if (column < 0 || column >= length) return column;
    int end = column;
    if (line[static_cast<std::size_t>(end)] == '[') {
        // The entry to its "]", or to the end of the line when it has none.
        while (end < length && line[static_cast<std::size_t>(end)] != ']') ++end;
        return end < length ? end + 1 : end;
    }
    while (end < length && !isEnd(line[static_cast<std::size_t>(end)])) ++end;
    return end > column ? end : column + 1;
}

std::string_view physicalLine(std::string_view text, const std::vector<std::size_t>& starts, int line)
{
    if (line < 0 || static_cast<std::size_t>(line) >= starts.size()) return std::string_view();
    const std::size_t bom = line == 0 && text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    std::size_t start = starts[static_cast<std::size_t>(line)] + bom;
    std::size_t end = static_cast<std::size_t>(line) + 1 < starts.size() ? starts[static_cast<std::size_t>(line) + 1] - 1
                                                                        : text.size();
    if (end > start && text[end - 1] == '\r') --end;
    start = std::min(start, end);
    return std::string_view(text.data() + start, end - start);
}
