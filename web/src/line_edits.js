// SPDX-License-Identifier: MIT
// Edits of whole statements, in the compiler's line numbers (1-based), for the options and the
// input editor: replace a line, insert one after another (0: at the top, past the end: at the
// end), delete lines. lines() gives the lines of the bytes last compiled; checker is the
// page's (checker.js), so that edits always start from the text as it is now.
import { INPUTS, sequence } from './wasm.js';
import { edit } from './editor.js';
import { statementText } from './seqedit.js';

export function createLineEdits(view, lines, checker) {
  const edits = {
    ensureCurrent: checker.ensureCurrent,
    replaceLine: (n, text) => edit(view, { from: lines().start(n), to: lines().end(n), insert: text }),
    insertLineAfter(n, text) {
      const at = lines();
      if (n <= 0) edit(view, { from: 0, insert: text + '\n' });
      else if (n >= at.count) {
        const end = at.end(at.count);
        edit(view, { from: end, insert: (end > at.start(at.count) ? '\n' : '') + text + '\n' });
      } else edit(view, { from: at.end(n), insert: '\n' + text });
    },
    deleteLines(numbers) {
      const at = lines();
      edit(view, [...new Set(numbers)].map((n) => ({ from: at.start(n), to: n < at.count ? at.start(n + 1) : at.end(n) })));
    },
    firstInputLine() {
      const used = [];
      for (let i = 1; i <= INPUTS; i++) used.push(sequence(i, true).line, sequence(i, false).line);
      const found = used.filter((l) => l > 0);
      return found.length > 0 ? Math.min(...found) : Infinity;
    },
  };

  // Where a new statement of input goes: after the statements of the inputs before it (the
  // long one before the short), else before the first of those after it.
  function insertionLine(input, isLong) {
    let after = 0;
    let before = Infinity;
    for (let i = 1; i <= INPUTS; i++) {
      for (const l of [true, false]) {
        const line = sequence(i, l).line;
        if (line === 0) continue;
        if (i < input || (i === input && l && !isLong)) after = Math.max(after, line);
        else before = Math.min(before, line);
      }
    }
    return after > 0 ? after : before - 1;
  }

  // The input editor's Apply: each of the two statements that changed is rewritten, inserted
  // or left out.
  function applySequences(input, result) {
    checker.ensureCurrent();
    for (const isLong of [true, false]) {
      const current = sequence(input, isLong);
      const text = isLong ? result.long : result.short;
      if (text === statementText(input, isLong, current)) continue;
      if (current.line > 0) edits.replaceLine(current.line, text);
      else if (!(isLong ? result.longEmpty : result.shortEmpty)) edits.insertLineAfter(insertionLine(input, isLong), text);
      checker.refresh();  // the next statement's line comes from this compile
    }
  }

  return { edits, applySequences };
}
