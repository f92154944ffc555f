// SPDX-License-Identifier: MIT
// The text editor: CodeMirror with line numbers, undo, the checker's diagnostics in the gutter
// and under the text, and a few calls to rewrite whole lines for the visual editor.
import { Annotation, Compartment, EditorState } from '@codemirror/state';
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
        keymap.of(historyKeymap), highlight, editable.of([]),
        // A name for screen readers; Tab moves on to the next control (the text has no tabs to type).
        EditorView.contentAttributes.of({ 'aria-label': 'Configuration text', tabindex: '0' }),
        EditorView.updateListener.of((u) => { if (u.docChanged && !u.transactions.some((t) => t.annotation(loading))) onChange(); }),
      ],
    }),
  });
  return view;
}

const loading = Annotation.define();
const editable = new Compartment();

// Read-only while the page is busy (an upload sends the text as it was when it began).
export function setEditable(view, on) {
  view.dispatch({ effects: editable.reconfigure(on ? [] : [EditorState.readOnly.of(true), EditorView.editable.of(false)]) });
}

// Replaces the whole text without counting it as an edit.
export function loadText(view, text) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text }, annotations: loading.of(true),
                  selection: { anchor: 0 } });
}

// Diagnostics at editor positions ({at, severity, message}), underlining the word there.
export function showDiagnostics(view, diagnostics) {
  const doc = view.state.doc;
  const items = [];
  let line = null;  // the line of the last diagnostic: most share one with the one before
  for (const d of diagnostics) {
    if (d.at > doc.length) continue;
    if (line === null || d.at < line.from || d.at > line.to) line = doc.lineAt(d.at);
    const text = line.text;
    const end = text.length;
    // A name up to a blank or bracket; an entry from its "[" through its "]".
    let to = d.at - line.from;
    const from = to;
    if (text[to] === '[') {
      while (to < end && text[to] !== ']') to++;
      if (to < end) to++;
    }
    while (to < end && !/[\s[\]]/.test(text[to])) to++;
    if (to === from && to < end) to++;
    items.push({ from: d.at, to: line.from + to, severity: d.severity === 'warning' ? 'warning' : 'info', message: d.message });
  }
  view.dispatch(setDiagnostics(view.state, items));
}

export function jumpTo(view, pos) {
  view.dispatch({ selection: { anchor: Math.min(pos, view.state.doc.length) }, scrollIntoView: true });
  view.focus();
}

// Text edits for the visual editor and the options, in editor positions.
export function edit(view, changes) {
  view.dispatch({ changes });
}
