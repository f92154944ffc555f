// SPDX-License-Identifier: MIT
// The 72 inputs as a grid of tiles, each with its long and short sequence as key caps.
import { INPUTS, sequence } from './wasm.js';
import { capElement, entryWords } from './caps.js';

function row(label, seq) {
  const el = document.createElement('div');
  el.className = 'seq' + (seq.entries.length === 0 ? ' empty' : '');
  const tag = document.createElement('span');
  tag.className = 'seq-label';
  tag.textContent = label;
  el.append(tag);
  for (const flag of ['r', 's']) {
    if (seq[flag]) {
      const f = document.createElement('span');
      f.className = 'flag';
      f.textContent = flag.toUpperCase();
      f.title = flag === 'r' ? 'R flag' : 'S flag: raw numbers';
      el.append(f);
    }
  }
  for (const entry of seq.entries) el.append(capElement(entry, seq.s));
  if (seq.cut) {
    const cut = document.createElement('span');
    cut.className = 'cut';
    cut.textContent = '✂';
    cut.title = 'This sequence is cut short: see the checker\'s messages';
    el.append(cut);
  }
  return el;
}

// A sequence in words: "long: up", "short, R: press down, press up", "long: none".
function spoken(label, seq) {
  const flags = [seq.r && 'R', seq.s && 'S', seq.cut && 'cut short'].filter(Boolean).map((f) => ', ' + f).join('');
  return `${label}${flags}: ${seq.entries.length === 0 ? 'none' : seq.entries.map((e) => entryWords(e, seq.s)).join(', ')}`;
}

// Draws the tiles from the last compiled image, rebuilding only those whose sequences changed;
// onOpen(input) when one is clicked.
export function drawGrid(container, onOpen) {
  if (container.children.length !== INPUTS) container.replaceChildren(...Array.from({ length: INPUTS }, () => document.createElement('button')));
  for (let input = 1; input <= INPUTS; input++) {
    const long = sequence(input, true);
    const short = sequence(input, false);
    const key = JSON.stringify([long.entries, long.r, long.s, long.cut, short.entries, short.r, short.s, short.cut]);
    const old = container.children[input - 1];
    if (old.dataset.key === key) continue;
    const tile = document.createElement('button');
    tile.dataset.key = key;
    tile.type = 'button';
    tile.className = 'tile' + (long.entries.length + short.entries.length === 0 ? ' unused' : '') +
                     (long.cut || short.cut ? ' has-cut' : '');
    tile.dataset.input = input;
    const name = 'IN' + String(input).padStart(2, '0');
    const head = document.createElement('div');
    head.className = 'tile-head';
    head.textContent = name;
    // Screen readers get the sequences in words instead of the caps' arrows and symbols.
    const words = document.createElement('span');
    words.className = 'visually-hidden';
    words.textContent = `, ${spoken('long', long)}; ${spoken('short', short)}`;
    const rows = [row('long', long), row('short', short)];
    for (const r of rows) r.setAttribute('aria-hidden', 'true');
    tile.append(head, words, ...rows);
    tile.addEventListener('click', () => onOpen(input));
    old.replaceWith(tile);
  }
}
