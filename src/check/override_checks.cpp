// SPDX-License-Identifier: MIT
// Statements that replace an earlier one: a second statement for the same input sequence, a
// second MSET. Both places are told.
#include <string>
#include <vector>

#include "check/assist_text.h"
#include "check/check_state.h"

namespace check_detail {

namespace {

// Removing the earlier statement leaves the image as it is: a repair when the statement is its
// line's first read (1-based column 1), so that nothing else goes with the line.
std::vector<Fix> removeLine(int line, int column, const char* what)
{
    if (column != 1) return {};
    return {Fix{std::string("Remove ") + what + " (line " + std::to_string(line) + ")",
                {TextEdit{TextPoint{line - 1, 0}, TextPoint{line, 0}, std::string()}}}};
}

}  // namespace

void rememberOverrides(CheckState& state, const Statement& statement)
{
    const int column = state.startColumn + 1;
    const std::string source = sourceOf(state.text);
    if (statement.kind >= 1 && statement.kind <= kInputCount) {
        const int input = statement.kind - 1;
        const int which = statement.isLong ? 0 : 1;
        int& earlier = state.sequenceLine[input][which];
        if (earlier > 0) {
            addAt(state, state.line, column, Severity::Note, "replaced-sequence",
                  "this statement replaces the whole " + sequenceName(statement.kind, statement.isLong != 0) +
                      " set on line " + std::to_string(earlier),
                  source, 0, false, removeLine(earlier, state.sequenceColumn[input][which], "the statement it replaces"));
            addAt(state, earlier, state.sequenceColumn[input][which], Severity::Note, "replaced-sequence",
                  "the statement it replaces", state.sequenceSource[input][which], 0, true);
        }
        earlier = state.line;
        state.sequenceColumn[input][which] = column;
        state.sequenceSource[input][which] = source;
    } else if (statement.kind >= kKindMset0 && statement.kind < kKindRot1) {
        const int value = statement.kind - kKindMset0;
        if (state.msetLine > 0) {
            addAt(state, state.line, column, Severity::Note, "overridden-mset",
                  "MSET:" + std::to_string(value) + " overrides MSET:" + std::to_string(state.msetValue) +
                      " set on line " + std::to_string(state.msetLine),
                  source, 0, false, removeLine(state.msetLine, state.msetColumn, "the MSET it overrides"));
            addAt(state, state.msetLine, state.msetColumn, Severity::Note, "overridden-mset", "the MSET it overrides",
                  state.msetSource, 0, true);
        }
        state.msetLine = state.line;
        state.msetColumn = column;
        state.msetValue = value;
        state.msetSource = source;
    }
}

}  // namespace check_detail
