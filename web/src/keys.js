// SPDX-License-Identifier: MIT
// Which key name of the tables a physical key (KeyboardEvent.code) stands for, and a recorder
// that turns key presses into entries: a key alone is one entry; keys pressed while a modifier
// is held come between (+)modifier and (-)modifier.

const NAMED = {
  Backquote: '`', Minus: '-', Equal: '=', BracketLeft: '[', BracketRight: ']', Backslash: '\\',
  Semicolon: ';', Quote: "'", Comma: ',', Period: '.', Slash: '/', IntlBackslash: '\\',
  Backspace: 'bs', Tab: 'tab', Enter: 'enter', Escape: 'esc', Space: 'space', CapsLock: 'caps',
  NumLock: 'num', ScrollLock: 'scroll', PrintScreen: 'print', Pause: 'pause',
  Insert: 'insert', Delete: 'delete', Home: 'home', End: 'end', PageUp: 'pageup', PageDown: 'pagedn',
  ArrowUp: 'up', ArrowDown: 'down', ArrowLeft: 'left', ArrowRight: 'right',
  ShiftLeft: 'shift', ShiftRight: 'rshift', ControlLeft: 'ctrl', ControlRight: 'rctrl',
  AltLeft: 'alt', AltRight: 'ralt', MetaLeft: 'lwin', MetaRight: 'rwin', OSLeft: 'lwin', OSRight: 'rwin',
  ContextMenu: 'win',
  NumpadDivide: '(n)/', NumpadMultiply: '(n)*', NumpadSubtract: '(n)-', NumpadAdd: '(n)+',
  NumpadDecimal: '(n).', NumpadEnter: '(n)enter',
};

export const MODIFIER_CODES = ['ShiftLeft', 'ShiftRight', 'ControlLeft', 'ControlRight', 'AltLeft', 'AltRight',
  'MetaLeft', 'MetaRight', 'OSLeft', 'OSRight'];

// The entry text for a KeyboardEvent.code, or null for a key the tables lack.
export function entryForCode(code) {
  if (NAMED[code]) return NAMED[code];
  let m = /^Key([A-Z])$/.exec(code);
  if (m) return m[1].toLowerCase();
  m = /^Digit([0-9])$/.exec(code);
  if (m) return m[1];
  m = /^Numpad([0-9])$/.exec(code);
  if (m) return '(n)' + m[1];
  m = /^F([1-9]|1[0-2])$/.exec(code);
  if (m) return 'f' + m[1];
  return null;
}

// Every code the mapping knows, for the tests.
export function knownCodes() {
  const codes = Object.keys(NAMED);
  for (let c = 65; c <= 90; c++) codes.push('Key' + String.fromCharCode(c));
  for (let d = 0; d <= 9; d++) codes.push('Digit' + d, 'Numpad' + d);
  for (let f = 1; f <= 12; f++) codes.push('F' + f);
  return codes;
}

// Feeds keydown/keyup events; emit(entry) is called with each entry as it is known.
export function createRecorder(emit) {
  const held = []; // [{code, entry, pressed}] modifiers held down, in order
  return {
    down(code) {
      const entry = entryForCode(code);
      if (entry === null) return false;
      if (MODIFIER_CODES.includes(code)) {
        if (!held.some((h) => h.code === code)) held.push({ code, entry, pressed: false });
        return true;
      }
      for (const h of held) {
        if (!h.pressed) { emit('(+)' + h.entry); h.pressed = true; }
      }
      emit(entry);
      return true;
    },
    up(code) {
      const i = held.findIndex((h) => h.code === code);
      if (i < 0) return;
      const [h] = held.splice(i, 1);
      emit(h.pressed ? '(-)' + h.entry : h.entry);
    },
    reset() { held.length = 0; },
  };
}
