// SPDX-License-Identifier: MIT
// The text editor: CodeMirror with line numbers, the checker's diagnostics in the gutter and
// under the text with their repairs as actions (the lint panel, Ctrl-Shift-M, lists them; F8
// goes to the next), and a few calls to rewrite whole lines for the visual editor. Typing,
// arrows and deletion are the browser's own; undo, completion and hover come later (assist.js).
import { Annotation, Compartment, EditorState } from '@codemirror/state';
import { EditorView, keymap, lineNumbers, highlightActiveLine, highlightSpecialChars, drawSelection,
         Decoration, MatchDecorator, ViewPlugin } from '@codemirror/view';
import { lintGutter, lintKeymap, setDiagnostics } from '@codemirror/lint';

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
        lineNumbers(), lintGutter(), drawSelection(), highlightActiveLine(),
        highlightSpecialChars({ addSpecialChars: /[\u001a\u0080-\u009f]/ }),
        keymap.of(lintKeymap), highlight, editable.of(readOnly), later.of([]),
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
const later = new Compartment();
const readOnly = [EditorState.readOnly.of(true), EditorView.editable.of(false)];

// Adds what the first paint does not need (assist.js).
export function addLater(view, extensions) {
  view.dispatch({ effects: later.reconfigure(extensions) });
}

// Read-only while the page is busy (an upload sends the text as it was when it began), and
// until it has loaded.
export function setEditable(view, on) {
  view.dispatch({ effects: editable.reconfigure(on ? [] : readOnly) });
}

// Replaces the whole text without counting it as an edit.
export function loadText(view, text) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text }, annotations: loading.of(true),
                  selection: { anchor: 0 } });
}

// Diagnostics at editor positions ({at, to, severity, message, code, fixes}), each fix's edits
// at editor positions too ({at, end, text}). A fix applied later, when edits elsewhere have
// moved its finding, moves with it.
export function showDiagnostics(view, diagnostics) {
  const length = view.state.doc.length;
  const items = [];
  for (const d of diagnostics) {
    if (d.to > length) continue;
    const actions = d.fixes.map((fix) => ({
      name: fix.title,
      apply(v, from) {
        const moved = from - d.at;
        v.dispatch({ changes: fix.edits.map((e) => ({ from: e.at + moved, to: e.end + moved, insert: e.text })), userEvent: 'input' });
      },
    }));
    items.push({ from: d.at, to: d.to, severity: d.severity === 'warning' ? 'warning' : 'info', message: d.message,
                 source: d.code || undefined, actions });
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
