// SPDX-License-Identifier: MIT
// The key tester: while it is open every key goes to it (Tab and Escape too, and the system's
// keys in full screen where the browser has the Keyboard Lock API). What the PYLO types is
// shown in the configuration's notation and matched against every input's sequences; a pause
// ends what one input typed. Done, or Escape held for two seconds, leaves it.
import { INPUTS } from './wasm.js';
import { entryForCode } from './keys.js';
import { expectations, words, numberOfCode } from './tester_match.js';

export const PAUSE_MS = 700;
const LEAVE_HOLD_MS = 2000;
const LOG_ROWS = 40;

const inputName = (n) => 'IN' + String(n).padStart(2, '0');
const seqName = (e) => `${inputName(e.input)} ${e.isLong ? 'long' : 'short'}`;

// Received [code, isDown] events in the configuration's notation: [a] for a press and its
// release, [(+)a] and [(-)a] otherwise.
export function notation(events) {
  let text = '';
  for (let i = 0; i < events.length; i++) {
    const [code, down] = events[i];
    const name = entryForCode(code) ?? `? ${code}`;
    if (down && events[i + 1]?.[0] === code && !events[i + 1][1]) { text += `[${name}]`; i++; }
    else text += `[${down ? '(+)' : '(-)'}${name}]`;
  }
  return text;
}

// setState(name) puts the page in the 'testing' state while the tester is open. Its style
// comes with it.
export function createTester(dialog, setState) {
  document.head.append(Object.assign(document.createElement('link'), { rel: 'stylesheet', href: 'tester.css' }));
  const $ = (sel) => dialog.querySelector(sel);
  let expected = [];       // expectations() of the configuration at opening
  let byWords = new Map(); // words -> expectations typing them
  let state = new Map();   // expectation -> 'tested' | 'same'
  let events = [];
  let timer = 0;
  let escapeSince = 0;

  function cellText(input) {
    const parts = [];
    for (const e of expected.filter((x) => x.input === input)) {
      const twins = e.words ? byWords.get(e.words).filter((o) => o !== e) : [];
      const mark = state.get(e) === 'tested' ? 'tested'
        : state.get(e) === 'same' ? `typed, or ${twins.map(seqName).join(', ')}: the same keys`
        : e.why ? `cannot be tested: ${e.why}`
        : twins.length ? `the same keys as ${twins.map(seqName).join(', ')}` : 'not yet';
      parts.push(`${e.isLong ? 'long' : 'short'}: ${mark}`);
    }
    return parts.length ? parts : ['unused'];
  }

  function draw() {
    const counts = { tested: 0, same: 0, untestable: 0, testable: 0 };
    const cells = [];
    for (let input = 1; input <= INPUTS; input++) {
      const mine = expected.filter((x) => x.input === input);
      const kind = mine.some((e) => state.get(e) === 'tested') ? 'tested'
        : mine.some((e) => state.get(e) === 'same') ? 'same'
        : mine.length === 0 ? 'unused' : mine.every((e) => e.why) ? 'untestable' : 'waiting';
      if (kind !== 'unused' && kind !== 'untestable') counts.testable++;
      if (kind in counts) counts[kind]++;
      const li = document.createElement('li');
      li.className = 'tcell ' + kind;
      li.dataset.input = input;
      const head = document.createElement('b');
      head.textContent = inputName(input);
      li.append(head, ...cellText(input).map((t) => Object.assign(document.createElement('span'), { textContent: t })));
      cells.push(li);
    }
    $('.tester-grid').replaceChildren(...cells);
    $('.tester-summary').textContent = `${counts.tested} of ${counts.testable} inputs tested` +
      (counts.same ? `, ${counts.same} typed keys another input types too` : '') +
      (counts.untestable ? `, ${counts.untestable} cannot be tested in a browser` : '');
  }

  function log(keys, verdict) {
    const li = document.createElement('li');
    const code = document.createElement('code');
    code.textContent = keys;
    li.append(code, ' ', verdict);
    const list = $('.tester-log');
    list.prepend(li);
    while (list.children.length > LOG_ROWS) list.lastChild.remove();
  }

  // What one input typed, after a pause.
  function settle() {
    const got = events;
    events = [];
    const w = words(got.map(([code, down]) => [numberOfCode(code), down]));
    if (w === '') return;  // only releases: the end of a key held before
    const matches = got.some(([code]) => numberOfCode(code) === 0) ? [] : byWords.get(w) || [];
    for (const e of matches) state.set(e, matches.length > 1 ? 'same' : 'tested');
    log(notation(got), matches.length === 0 ? '— no input of this configuration types these keys'
      : matches.length === 1 ? `— ${seqName(matches[0])}` : `— ${matches.map(seqName).join(' or ')}: the same keys, cannot tell which`);
    draw();
  }

  function onKey(e) {
    e.preventDefault();
    e.stopImmediatePropagation();
    const down = e.type === 'keydown';
    if (e.code === 'Escape') {
      if (!down) escapeSince = 0;
      else if (!e.repeat) escapeSince = e.timeStamp;
      else if (e.timeStamp - escapeSince >= LEAVE_HOLD_MS) { close(); return; }
    }
    if (e.repeat) return;
    events.push([e.code, down]);
    clearTimeout(timer);
    timer = setTimeout(settle, PAUSE_MS);
  }

  async function fullScreen() {
    try {
      await document.documentElement.requestFullscreen();
      await navigator.keyboard.lock();
    } catch (e) { /* stays in the window; the keys the system keeps do not arrive */ }
  }

  function close() {
    removeEventListener('keydown', onKey, true);
    removeEventListener('keyup', onKey, true);
    clearTimeout(timer);
    navigator.keyboard?.unlock?.();
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    dialog.close();
    setState('idle');
  }

  $('.tester-done').addEventListener('click', close);
  const full = $('.tester-full');
  full.hidden = !navigator.keyboard?.lock;
  full.addEventListener('click', fullScreen);
  dialog.addEventListener('cancel', (e) => e.preventDefault());

  return {
    open() {
      expected = expectations();
      byWords = new Map();
      for (const e of expected) if (e.words) byWords.set(e.words, [...(byWords.get(e.words) || []), e]);
      state = new Map();
      events = [];
      $('.tester-log').replaceChildren();
      draw();
      setState('testing');
      dialog.showModal();
      $('.tester-done').focus();
      addEventListener('keydown', onKey, true);
      addEventListener('keyup', onKey, true);
      navigator.keyboard?.lock?.().catch(() => {});
    },
  };
}
