// SPDX-License-Identifier: MIT
// The option controls. Each reads the compiled image and edits the option's statements.
import { KIND_PREL, KIND_REVX, KIND_REVY, KIND_MSET0, KIND_ROT1, optionSet, optionLines } from './wasm.js';

const SWITCHES = [
  ['PREL', KIND_PREL], ['REVX', KIND_REVX], ['REVY', KIND_REVY],
  ['ROT1', KIND_ROT1], ['ROT2', KIND_ROT1 + 1], ['ROT3', KIND_ROT1 + 2], ['ROT4', KIND_ROT1 + 3],
];
const MSET_KINDS = [0, 1, 2, 3].map((n) => KIND_MSET0 + n);

function allOptionLines() {
  return [...SWITCHES.map(([, kind]) => kind), ...MSET_KINDS].flatMap((kind) => optionLines(kind));
}

// edits: {ensureCurrent(), replaceLine, insertLineAfter, deleteLines, firstInputLine()}
export function createOptions(container, edits) {
  const boxes = new Map();
  for (const [name, kind] of SWITCHES) {
    const label = document.createElement('label');
    label.className = 'switch';
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.name = name;
    box.addEventListener('change', () => {
      edits.ensureCurrent();
      if (box.checked) insert(name + ':Y');
      else edits.deleteLines(optionLines(kind));
    });
    boxes.set(kind, box);
    label.append(box, name);
    container.append(label);
  }
  const mset = document.createElement('select');
  mset.name = 'MSET';
  mset.setAttribute('aria-label', 'MSET option');
  mset.append(new Option('MSET —', ''), ...[0, 1, 2, 3].map((n) => new Option('MSET ' + n, String(n))));
  mset.addEventListener('change', () => {
    edits.ensureCurrent();
    const lines = MSET_KINDS.flatMap((kind) => optionLines(kind));
    if (mset.value === '') edits.deleteLines(lines);
    else if (lines.length > 0) edits.replaceLine(Math.max(...lines), 'MSET:' + mset.value);
    else insert('MSET:' + mset.value);
  });
  const label = document.createElement('label');
  label.className = 'switch';
  label.append(mset);
  container.append(label);

  // A new option statement goes after the last one, else before the first input statement.
  function insert(text) {
    const lines = allOptionLines();
    if (lines.length > 0) edits.insertLineAfter(Math.max(...lines), text);
    else edits.insertLineAfter(edits.firstInputLine() - 1, text);
  }

  return {
    draw() {
      for (const [kind, box] of boxes) box.checked = optionSet(kind);
      const n = MSET_KINDS.findIndex((kind) => optionSet(kind));
      mset.value = n < 0 ? '' : String(n);
    },
  };
}
