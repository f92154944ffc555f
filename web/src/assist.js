// SPDX-License-Identifier: MIT
// What the editor offers while a configuration is typed, loaded after the first paint: the
// checker's completions (Ctrl-Space anywhere; by themselves when "[" or a name is typed inside
// an entry), its hover text (under the mouse, or at the cursor with Ctrl-K Ctrl-I, which also
// reads it out; Escape closes it), and undo. Every answer is the shared C++'s (wasm.js), asked
// about the compiler's line at the position (document.js), so it is what pylocheck and the
// language server say.
import { autocompletion } from '@codemirror/autocomplete';
import { history, historyKeymap } from '@codemirror/commands';
import { StateEffect, StateField } from '@codemirror/state';
import { hoverTooltip, keymap, showTooltip } from '@codemirror/view';
import { completionsAt, hoverAt } from './wasm.js';
import { announce } from './status.js';

// CodeMirror's icons for the checker's kinds of completion.
const TYPES = { key: 'constant', marker: 'keyword', option: 'property', value: 'enum', statement: 'keyword' };

// The hover text is Markdown of a few forms: paragraphs, "- " items, `code` and **bold**.
const wrap = (tag, ...nodes) => { const element = document.createElement(tag); element.append(...nodes); return element; };
function inline(tag, text) {
  const element = wrap(tag);
  let bold = false, code = false;
  for (const part of text.split(/(\*\*|`)/)) {
    if (part === '`') code = !code;
    else if (part === '**' && !code) bold = !bold;
    else if (part !== '') {
      const plain = code ? wrap('code', part) : part;
      element.append(bold ? wrap('strong', plain) : plain);
    }
  }
  return element;
}

function render(markdown) {
  const dom = wrap('div');
  dom.className = 'hover-text';
  for (const block of markdown.split('\n\n')) {
    let list = null;
    for (const line of block.split('\n')) {
      if (!line.startsWith('- ')) {
        list = null;
        dom.append(inline('p', line));
      } else {
        list ??= dom.appendChild(wrap('ul'));
        list.append(inline('li', line.slice(2)));
      }
    }
  }
  return dom;
}

// doc: the page's document (document.js), which knows the compiler's lines.
export function assist(doc) {
  const place = (state, pos) => {
    const line = doc.lineAt(state.doc, pos);
    return { ...line, column: pos - line.from };
  };

  function complete(context) {
    const { from, text, column } = place(context.state, context.pos);
    const found = column < 0 ? [] : completionsAt(text, column);
    if (found.length === 0 || (!context.explicit && found[0].kind !== 'key' && found[0].kind !== 'marker')) return null;
    return {
      from: from + found[0].from,
      to: from + found[0].to,
      options: found.map((c) => ({ label: c.label, detail: c.detail, type: TYPES[c.kind] })),
      validFor: /^\w*$/,
    };
  }

  function tooltipAt(state, pos) {
    const { from, text, column } = place(state, pos);
    const found = column < 0 ? null : hoverAt(text, column);
    return found && { pos: from + found.from, end: from + found.to, above: true, text: found.text,
                      create: () => ({ dom: render(found.text) }) };
  }

  // The hover at the cursor, for the keyboard: until the cursor moves, the text changes or Escape.
  const setHover = StateEffect.define();
  const keyHover = StateField.define({
    create: () => null,
    update(tip, tr) {
      for (const e of tr.effects) if (e.is(setHover)) return e.value;
      return tr.docChanged || tr.selection ? null : tip;
    },
    provide: (field) => showTooltip.from(field),
  });
  const hoverKeys = [
    { key: 'Mod-k Mod-i', run(view) {
      const tip = tooltipAt(view.state, view.state.selection.main.head);
      view.dispatch({ effects: setHover.of(tip) });
      announce(tip ? tip.text.replace(/\*\*|`/g, '').replace(/\n+(- )?/g, ' ') : 'Nothing to tell here');
      return true;
    } },
    { key: 'Escape', run(view) {
      if (!view.state.field(keyHover)) return false;
      view.dispatch({ effects: setHover.of(null) });
      return true;
    } },
  ];

  return [
    history(), keymap.of([...historyKeymap, ...hoverKeys]), keyHover,
    autocompletion({ override: [complete] }),
    hoverTooltip((view, pos) => tooltipAt(view.state, pos), { hideOnChange: true }),
  ];
}
