// SPDX-License-Identifier: MIT
// Statements that replace an earlier one: a second statement for the same input sequence, a
// second MSET. Both places are told.
#include <string>

#include "check/check_state.h"

namespace check_detail {

void rememberOverrides(CheckState& state, const Statement& statement)
{
    const int column = state.startColumn + 1;
    const std::string source = sourceOf(state.text);
    if (statement.kind >= 1 && statement.kind <= kInputCount) {
        const int input = statement.kind - 1;
        const int which = statement.isLong ? 0 : 1;
        int& earlier = state.sequenceLine[input][which];
        if (earlier > 0) {
            char number[3] = {static_cast<char>('0' + statement.kind / 10), static_cast<char>('0' + statement.kind % 10),
                              '\0'};
            add(state, 0, Severity::Note,
                std::string("this statement replaces the whole ") + (statement.isLong ? "long" : "short") +
                    " sequence of input " + number + " set on line " + std::to_string(earlier));
            addAt(state, earlier, state.sequenceColumn[input][which], Severity::Note, "the statement it replaces",
                  state.sequenceSource[input][which], 0);
        }
        earlier = state.line;
        state.sequenceColumn[input][which] = column;
        state.sequenceSource[input][which] = source;
    } else if (statement.kind >= kKindMset0 && statement.kind < kKindRot1) {
        const int value = statement.kind - kKindMset0;
        if (state.msetLine > 0) {
            add(state, 0, Severity::Note,
                "MSET:" + std::to_string(value) + " overrides MSET:" + std::to_string(state.msetValue) +
                    " set on line " + std::to_string(state.msetLine));
            addAt(state, state.msetLine, state.msetColumn, Severity::Note, "the MSET it overrides", state.msetSource, 0);
        }
        state.msetLine = state.line;
        state.msetColumn = column;
        state.msetValue = value;
        state.msetSource = source;
    }
}

}  // namespace check_detail
