// SPDX-License-Identifier: MIT
// Key caps: how an entry's text is drawn (the text itself stays the tooltip).

const LABELS = {
  space: 'Space', bs: 'Bksp', tab: 'Tab', enter: 'Enter', esc: 'Esc', caps: 'Caps', num: 'Num',
  scroll: 'ScrLk', print: 'PrtSc', pause: 'Pause', insert: 'Ins', delete: 'Del', home: 'Home', end: 'End',
  pageup: 'PgUp', pagedn: 'PgDn', up: '↑', down: '↓', left: '←', right: '→',
  shift: 'Shift', lshift: 'Shift', rshift: 'R Shift', ctrl: 'Ctrl', lctrl: 'Ctrl', rctrl: 'R Ctrl',
  alt: 'Alt', lalt: 'Alt', ralt: 'R Alt', lwin: 'Win', rwin: 'R Win', win: 'Menu',
};

// {label, kind, mark, name}: kind is key, pad, delay or raw; mark ↓ for press, ↑ for release;
// name the entry without its markers.
export function capOf(entry, raw) {
  let text = entry;
  let mark = '';
  let keypad = false;
  let m;
  while ((m = /^\((.)\)/.exec(text)) && text.length > 3) {
    const marker = m[1].toLowerCase();
    if (marker === 'd') return { label: text.slice(3), kind: 'delay', mark: '⏱', name: text.slice(3) };
    if (marker === '+') mark = '↓';
    else if (marker === '-') mark = '↑';
    else if (marker === 'n') keypad = true;
    text = text.slice(3);
  }
  if (raw) return { label: '#' + text, kind: 'raw', mark: '', name: text };
  const label = LABELS[text.toLowerCase()] || (text.length > 1 ? text[0].toUpperCase() + text.slice(1) : text.toUpperCase());
  return { label: keypad ? 'Pad ' + label : label, kind: keypad ? 'pad' : 'key', mark, name: text };
}

// An entry in words, for screen readers: "press shift", "release shift", "keypad 5", "wait 10".
export function entryWords(entry, raw) {
  let text = entry;
  const words = [];
  let m;
  while ((m = /^\((.)\)/.exec(text)) && text.length > 3) {
    const marker = m[1].toLowerCase();
    if (marker === 'd') return 'wait ' + text.slice(3);
    if (marker === '+') words.push('press');
    else if (marker === '-') words.push('release');
    else if (marker === 'n') words.push('keypad');
    text = text.slice(3);
  }
  words.push(raw ? 'number ' + text : text === ' ' ? 'space' : text);
  return words.join(' ');
}

// A cap's accessible name: its label as shown, so that a voice-control user can say what they
// see ("click Ctrl"), in words, with the entry's own name when the label differs from it:
// "press Alt (lalt)", "R Shift (rshift)", "Pad 7", "wait 10", "number 65".
export function capName(entry, raw) {
  const { label, kind, mark, name } = capOf(entry, raw);
  if (kind === 'delay') return 'wait ' + name;
  if (kind === 'raw') return 'number ' + name;
  if (name === ' ') return 'space';
  const same = name.toLowerCase() === label.replace(/^Pad /, '').toLowerCase();
  return [mark === '↓' ? 'press' : mark === '↑' ? 'release' : '', label, same ? '' : `(${name})`].filter(Boolean).join(' ');
}

export function capElement(entry, raw) {
  const cap = capOf(entry, raw);
  const el = document.createElement('span');
  el.className = 'cap cap-' + cap.kind;
  el.title = '[' + entry + ']';
  if (cap.mark) {
    const mark = document.createElement('i');
    mark.textContent = cap.mark;
    el.append(mark);
  }
  el.append(cap.label);
  return el;
}
