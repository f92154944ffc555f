// The text editor: CodeMirror with line numbers, undo, the checker's diagnostics in the gutter
// and under the text, and a few calls to rewrite whole lines for the visual editor.
import { Annotation, EditorState } from '@codemirror/state';
import { EditorView, keymap, lineNumbers, highlightActiveLine, highlightSpecialChars, drawSelection,
         Decoration, MatchDecorator, ViewPlugin } from '@codemirror/view';
// Typing, arrows and deletion are the browser's own; only undo comes from the commands package
// (its other keymaps would pull in the language package).
import { history, historyKeymap } from '@codemirror/commands';
import { lintGutter, setDiagnostics } from '@codemirror/lint';

// Statements, entries and comments get a colour of their own.
const marks = new MatchDecorator({
  regexp: /^(#.*)|^((?:in|IN|In|iN)\d\d[:|](?:<[rRsS]>)*)|^((?:prel|revx|revy|mset|rot\d)[^\n]*)|(\[[^\[\n]*\])/gi,
  decoration: (m) => Decoration.mark({ class: m[1] ? 'tok-comment' : m[2] ? 'tok-input' : m[3] ? 'tok-option' : 'tok-entry' }),
});
const highlight = ViewPlugin.define((view) => ({
  decorations: marks.createDeco(view),
  update(u) { this.decorations = marks.updateDeco(u, this.decorations); },
}), { decorations: (v) => v.decorations });

export function createEditor(parent, onChange) {
  const view = new EditorView({
    parent,
    state: EditorState.create({
      doc: '',
      extensions: [
        lineNumbers(), lintGutter(), history(), drawSelection(), highlightActiveLine(),
        highlightSpecialChars({ addSpecialChars: /[\u001a\u0080-\u009f]/ }),
        keymap.of(historyKeymap), highlight,
        EditorView.updateListener.of((u) => { if (u.docChanged && !u.transactions.some((t) => t.annotation(loading))) onChange(); }),
      ],
    }),
  });
  return view;
}

const loading = Annotation.define();

// Replaces the whole text without counting it as an edit.
export function loadText(view, text) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text }, annotations: loading.of(true),
                  selection: { anchor: 0 } });
}

function clampLine(view, line) {
  return view.state.doc.line(Math.max(1, Math.min(line, view.state.doc.lines)));
}

// Diagnostics at their 1-based line and column, underlining the word there.
export function showDiagnostics(view, diagnostics) {
  const doc = view.state.doc;
  const items = [];
  for (const d of diagnostics) {
    if (d.line > doc.lines) continue;
    const line = doc.line(d.line);
    const from = Math.min(line.from + d.column - 1, line.to);
    let to = from;
    while (to < line.to && !/[\s[\]]/.test(doc.sliceString(to, to + 1))) to++;
    if (to === from && to < line.to) to++;
    items.push({ from, to, severity: d.severity === 'warning' ? 'warning' : 'info', message: d.message });
  }
  view.dispatch(setDiagnostics(view.state, items));
}

export function jumpTo(view, line, column) {
  const l = clampLine(view, line);
  const pos = Math.min(l.from + Math.max(0, column - 1), l.to);
  view.dispatch({ selection: { anchor: pos }, scrollIntoView: true });
  view.focus();
}

// Line edits for the visual editor, in 1-based line numbers: replace one line, insert a line
// after another (0: at the top, beyond the end: at the end), delete lines.
export function replaceLine(view, lineNo, text) {
  const line = view.state.doc.line(lineNo);
  view.dispatch({ changes: { from: line.from, to: line.to, insert: text } });
}

export function insertLineAfter(view, lineNo, text) {
  const doc = view.state.doc;
  if (lineNo <= 0) {
    view.dispatch({ changes: { from: 0, insert: text + '\n' } });
  } else if (lineNo >= doc.lines) {
    const last = doc.line(doc.lines);
    view.dispatch({ changes: { from: last.to, insert: (last.length > 0 ? '\n' : '') + text + '\n' } });
  } else {
    view.dispatch({ changes: { from: doc.line(lineNo).to, insert: '\n' + text } });
  }
}

export function deleteLines(view, lineNos) {
  const doc = view.state.doc;
  const changes = [...new Set(lineNos)].sort((a, b) => a - b).map((n) => {
    const line = doc.line(n);
    return n < doc.lines ? { from: line.from, to: doc.line(n + 1).from } : { from: Math.max(0, line.from - 1), to: line.to };
  });
  view.dispatch({ changes });
}
