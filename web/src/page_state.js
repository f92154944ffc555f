// SPDX-License-Identifier: MIT
// The page's one state. Every control that could start an upload or change what is sent
// takes its `disabled` attribute from here (mouse, keyboard and drop alike), so a busy page
// is locked in one place.
//
// To add a state: give it a row in STATES (`locked`: whether the controls of LOCKABLE are
// disabled; `cancel`: whether the Cancel button is offered), call setState('name') when it
// begins and setState('idle') when it ends. Code that must react to a change (the editor's
// read-only switch, a new control) registers with onStateChange.

const STATES = {
  loading: { locked: true, cancel: false },
  idle: { locked: false, cancel: false },
  uploading: { locked: true, cancel: true },
  testing: { locked: true, cancel: false },  // the key tester has every key (tester.js)
};

// What a busy page disables: opening a file, uploading, testing, the tiles and the options
// (the editor is made read-only by its listener).
const LOCKABLE = '#open, #file, #upload, #test-keys, #restart, #grid .tile, #options input, #options select';

let current = 'loading';
const listeners = [];

export const pageState = () => current;
export const pageLocked = () => STATES[current].locked;

export function onStateChange(listener) { listeners.push(listener); }

// Draws the state on every control; call again after controls are redrawn.
export function renderState() {
  const { locked, cancel } = STATES[current];
  document.body.dataset.state = current;
  for (const el of document.querySelectorAll(LOCKABLE)) el.disabled = locked || el.dataset.unavailable === 'true';
  const stop = document.querySelector('#cancel');
  stop.hidden = !cancel;
  stop.disabled = !cancel;
}

export function setState(name) {
  if (!(name in STATES)) throw new Error(`unknown page state ${name}`);
  current = name;
  renderState();
  for (const listener of listeners) listener(name, STATES[name]);
}
