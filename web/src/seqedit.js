// SPDX-License-Identifier: MIT
// The dialog that edits one input's two sequences: entries added by pressing keys or from the
// palette, markers, delays, reordering and deleting. Apply hands back the two statements.
import { sequence, keyTable } from './wasm.js';
import { capElement, capName } from './caps.js';
import { createRecorder } from './keys.js';

const LIMITS = { long: 32, short: 16 };

export function statementText(input, isLong, seq) {
  return 'in' + String(input).padStart(2, '0') + (isLong ? ':' : '|') + (seq.r ? '<R>' : '') + (seq.s ? '<S>' : '') +
         seq.entries.map((e) => '[' + e + ']').join('');
}

// Names for the palette: the first name of each key number, main table then keypad.
function paletteNames() {
  const seen = new Set();
  const names = [];
  for (const [table, prefix] of [[0, ''], [1, '(n)']]) {
    for (const { name, number } of keyTable(table)) {
      if (seen.has(number)) continue;
      seen.add(number);
      names.push(prefix + (name === ' ' ? 'space' : name));
    }
  }
  return names;
}

function splitMarkers(entry) {
  const m = /^((?:\([^)]\))*)(.*)$/.exec(entry);
  return { markers: m[1], name: m[2] };
}

export function createSequenceEditor(dialog, onApply) {
  const $ = (sel) => dialog.querySelector(sel);
  let input = 0;
  let model = null;       // {long: {entries, r, s}, short: {...}}
  let active = 'long';
  let selected = -1;
  const recorder = createRecorder((entry) => add(entry));

  // The palette is drawn when the dialog first opens, not while the page loads.
  const palette = $('.palette-keys');
  function drawPalette() {
    for (const name of paletteNames()) {
      const b = document.createElement('button');
      b.type = 'button';
      b.append(capElement(name, false));
      b.setAttribute('aria-label', 'add ' + capName(name, false));
      b.addEventListener('click', () => add(name));
      palette.append(b);
    }
  }

  function add(entry) {
    const seq = model[active];
    if (seq.entries.length >= LIMITS[active]) return;
    const at = selected >= 0 ? selected + 1 : seq.entries.length;
    seq.entries.splice(at, 0, entry);
    selected = at;
    draw();
  }

  function draw() {
    for (const which of ['long', 'short']) {
      const seq = model[which];
      const box = $(`.seq-edit[data-seq="${which}"]`);
      box.classList.toggle('active', which === active);
      box.querySelector('.pick').setAttribute('aria-pressed', String(which === active));
      box.querySelector('.flag-r').checked = seq.r;
      box.querySelector('.flag-s').checked = seq.s;
      box.querySelector('.count').textContent = `${seq.entries.length} / ${LIMITS[which]}`;
      const list = box.querySelector('.entries');
      list.replaceChildren(...seq.entries.map((entry, i) => {
        const b = document.createElement('button');
        b.type = 'button';
        b.className = 'entry' + (which === active && i === selected ? ' selected' : '');
        b.append(capElement(entry, seq.s));
        b.setAttribute('aria-label', capName(entry, seq.s));
        b.setAttribute('aria-pressed', String(which === active && i === selected));
        b.addEventListener('click', (e) => { e.stopPropagation(); active = which; selected = i; draw(); });
        return b;
      }));
    }
    $('.statement-long').textContent = statementText(input, true, model.long);
    $('.statement-short').textContent = statementText(input, false, model.short);
  }

  for (const which of ['long', 'short']) {
    const box = $(`.seq-edit[data-seq="${which}"]`);
    box.addEventListener('click', () => { if (active !== which) { active = which; selected = -1; draw(); } });
    box.querySelector('.flag-r').addEventListener('change', (e) => { model[which].r = e.target.checked; draw(); });
    box.querySelector('.flag-s').addEventListener('change', (e) => { model[which].s = e.target.checked; draw(); });
  }

  // Key presses on the record area itself become entries, Tab, Enter and Space included (the
  // entries, flags and buttons inside it work as usual). Escape alone is not recorded: it ends
  // recording and moves on to Apply, so the dialog can always be left by keyboard; the Esc key
  // is in the palette.
  const record = $('.record');
  record.addEventListener('keydown', (e) => {
    if (e.target !== record) return;
    if (e.code === 'Escape' && !e.shiftKey && !e.ctrlKey && !e.altKey && !e.metaKey) {
      e.preventDefault();
      recorder.reset();
      $('.apply').focus();
      return;
    }
    if (e.repeat) { e.preventDefault(); return; }
    if (recorder.down(e.code)) e.preventDefault();
  });
  record.addEventListener('keyup', (e) => { if (e.target === record) { recorder.up(e.code); e.preventDefault(); } });
  record.addEventListener('blur', () => recorder.reset());

  function edit(change) {
    const seq = model[active];
    if (selected < 0 || selected >= seq.entries.length) return;
    change(seq);
    draw();
  }
  const toggleMarker = (marker) => edit((seq) => {
    const { markers, name } = splitMarkers(seq.entries[selected]);
    const others = markers.replace(marker, '').replace(marker === '(+)' ? '(-)' : marker === '(-)' ? '(+)' : '#', '');
    seq.entries[selected] = (markers.includes(marker) ? others : marker + others) + name;
  });
  $('.mark-plus').addEventListener('click', () => toggleMarker('(+)'));
  $('.mark-minus').addEventListener('click', () => toggleMarker('(-)'));
  $('.mark-pad').addEventListener('click', () => toggleMarker('(n)'));
  $('.mark-case').addEventListener('click', () => edit((seq) => {
    const { markers, name } = splitMarkers(seq.entries[selected]);
    if (!/^[a-z]$/i.test(name)) return;
    const flipped = name === name.toLowerCase() ? name.toUpperCase() : name.toLowerCase();
    seq.entries[selected] = markers.replace('(~)', '') + '(~)' + flipped;
  }));
  $('.move-left').addEventListener('click', () => edit((seq) => {
    if (selected === 0) return;
    [seq.entries[selected - 1], seq.entries[selected]] = [seq.entries[selected], seq.entries[selected - 1]];
    selected--;
  }));
  $('.move-right').addEventListener('click', () => edit((seq) => {
    if (selected === seq.entries.length - 1) return;
    [seq.entries[selected + 1], seq.entries[selected]] = [seq.entries[selected], seq.entries[selected + 1]];
    selected++;
  }));
  $('.remove').addEventListener('click', () => edit((seq) => {
    seq.entries.splice(selected, 1);
    selected = Math.min(selected, seq.entries.length - 1);
  }));
  $('.add-delay').addEventListener('click', () => {
    const value = Math.max(1, Math.min(250, parseInt($('.delay-value').value, 10) || 1));
    add('(d)' + value);
  });
  $('.clear').addEventListener('click', () => { model[active].entries = []; selected = -1; draw(); });
  $('.apply').addEventListener('click', () => {
    dialog.close();
    onApply(input, { long: statementText(input, true, model.long), short: statementText(input, false, model.short),
                     longEmpty: isEmpty(model.long), shortEmpty: isEmpty(model.short) });
  });
  $('.cancel').addEventListener('click', () => dialog.close());
  // Focus goes back to the tile that opened the dialog (redrawn by Apply, so found anew).
  dialog.addEventListener('close', () => document.querySelector(`.tile[data-input="${input}"]`)?.focus());

  const isEmpty = (seq) => seq.entries.length === 0 && !seq.r && !seq.s;

  return {
    open(n) {
      if (palette.children.length === 0) drawPalette();
      input = n;
      const copy = (seq) => ({ entries: [...seq.entries], r: seq.r, s: seq.s, line: seq.line });
      model = { long: copy(sequence(n, true)), short: copy(sequence(n, false)) };
      active = 'long';
      selected = -1;
      $('.title').textContent = 'Input ' + String(n).padStart(2, '0');
      draw();
      dialog.showModal();
      record.focus();
    },
    original: () => model,
  };
}
