// SPDX-License-Identifier: MIT
// What the key tester compares: a sequence's entries and the keys the browser receives, both
// reduced to the same words. A word is a key pressed, with the modifiers held at that moment
// ("shift+1"), or a modifier pressed and released alone ("ctrl"). Releases of other keys,
// delays and key repeats leave no word, so sequences that differ only in them cannot be told
// apart, and the tester says so instead of guessing.
import { INPUTS, sequence, keyNumber } from './wasm.js';
import { entryForCode, knownCodes, MODIFIER_CODES } from './keys.js';

// Keys a page never receives: the Windows keys and Print Screen are kept by the system.
const UNSEEN = ['lwin', 'rwin', 'win', 'print'];

let tables = null;
function keyTables() {
  if (tables) return tables;
  const number = (entry) => (entry.startsWith('(n)') ? keyNumber(entry.slice(3), true) : keyNumber(entry === 'space' ? ' ' : entry, false));
  const codes = new Map();
  for (const code of knownCodes()) {
    const n = number(entryForCode(code));
    if (n !== 0) codes.set(code, n);
  }
  tables = { codes, modifiers: new Set(MODIFIER_CODES.map((c) => codes.get(c))), shift: codes.get('ShiftLeft'),
             unseen: new Set(UNSEEN.map((name) => keyNumber(name, false))) };
  return tables;
}

// The key number of a KeyboardEvent.code, or 0.
export const numberOfCode = (code) => keyTables().codes.get(code) || 0;

// Events [[number, isDown]] to words.
export function words(events) {
  const { modifiers } = keyTables();
  const held = new Map();  // modifier -> whether a key went down while it was held
  const out = [];
  const chord = (mods, n) => [...mods.filter((m) => m !== n).sort((a, b) => a - b), n].join('+');
  for (const [n, down] of events) {
    if (!modifiers.has(n)) {
      if (down) {
        out.push(chord([...held.keys()], n));
        for (const m of held.keys()) held.set(m, true);
      }
    } else if (down) {
      if (!held.has(n)) held.set(n, false);
    } else if (held.has(n)) {
      if (!held.get(n)) out.push(chord([...held.keys()], n));
      held.delete(n);
    }
  }
  return out.join(' ');
}

// A sequence's events, or {why} when a browser cannot observe it.
export function sequenceEvents(seq) {
  const { shift, unseen } = keyTables();
  if (seq.s) return { why: 'raw values (<S>)' };
  const events = [];
  for (const entry of seq.entries) {
    const [, markers, name] = /^((?:\([^)]\))*)(.*)$/.exec(entry);
    if (markers.includes('(d)')) continue;
    let n = keyNumber(name === 'space' ? ' ' : name, markers.includes('(n)'));
    const shifted = n > 128 || (markers.includes('(~)') && /^[A-Z]$/.test(name));
    if (n > 128) n -= 128;
    if (n === 0 || unseen.has(n)) return { why: `[${entry}], a key the browser never receives` };
    const down = !markers.includes('(-)');
    const up = !markers.includes('(+)');
    if (shifted && down) events.push([shift, true]);
    if (down) events.push([n, true]);
    if (up) events.push([n, false]);
    if (shifted && up) events.push([shift, false]);
  }
  return { events };
}

// Every sequence of the configuration shown: [{input, isLong, words}] for those a browser can
// observe, [{input, isLong, why}] for those it cannot. Empty sequences are left out.
export function expectations() {
  const list = [];
  for (let input = 1; input <= INPUTS; input++) {
    for (const isLong of [true, false]) {
      const seq = sequence(input, isLong);
      if (seq.entries.length === 0) continue;
      const { events, why } = sequenceEvents(seq);
      const w = events ? words(events) : '';
      list.push(why || w === '' ? { input, isLong, why: why || 'only releases and delays' } : { input, isLong, words: w });
    }
  }
  return list;
}
