// SPDX-License-Identifier: MIT
// Keeps the work of each tab in the browser (localStorage) as the user edits: the bytes, the
// file name and whether they were saved. Each tab writes a slot of its own and holds a lock
// named after it, so two tabs never overwrite each other; a reloaded tab takes its own slot
// back, a new tab the newest slot no open tab holds. The oldest slots past the eighth are
// deleted, unless an open tab holds them.
import { latin1 } from './wasm.js';

const PREFIX = 'pyloload.work.';
const TAB = 'pyloload.tab';
const MAX_SLOTS = 8;
const WRITE_DELAY_MS = 300;

function localStore() {
  try {
    localStorage.setItem(PREFIX + 'probe', '1');
    localStorage.removeItem(PREFIX + 'probe');
    return localStorage;
  } catch (e) {
    return null;  // turned off, or full
  }
}

function readSlot(store, id) {
  try {
    const kept = JSON.parse(store.getItem(PREFIX + id));
    if (typeof kept?.text !== 'string' || typeof kept.name !== 'string') return null;
    return { id, name: kept.name, saved: kept.saved === true, time: Number(kept.time) || 0,
             bytes: Uint8Array.from(kept.text, (c) => c.charCodeAt(0) & 0xff) };
  } catch (e) {
    return null;
  }
}

// Takes the lock of a slot until the release function it resolves to is called (or the tab
// closes); null when another tab holds it.
function claim(id) {
  const none = () => {};
  if (!navigator.locks) return Promise.resolve(none);
  return new Promise((resolve) => {
    navigator.locks.request(PREFIX + id, { ifAvailable: true }, (lock) => {
      if (lock === null) return resolve(null);
      return new Promise((release) => resolve(release));
    }).catch(() => resolve(none));
  });
}

const newId = () => Date.now().toString(36) + Math.random().toString(36).slice(2, 8);

// Opens this tab's slot: {available, kept: {name, bytes, saved, time} or null, keep(work), flush(),
// setAside()}. keep(work) writes work() = {name, bytes, saved} shortly after (at once when the
// page is hidden); onFailure() is called once when a write fails (storage full). setAside()
// leaves the kept work where it is, held by this tab, which goes on in a new slot; it resolves
// to drop(), which deletes it.
export async function openStore(onFailure) {
  const store = localStore();
  if (!store) return { available: false, kept: null, keep() {}, flush() {}, async setAside() { return () => {}; } };
  let mine = null;  // the slot this tab had before a reload
  try { mine = sessionStorage.getItem(TAB); } catch (e) { /* no session storage */ }
  const slots = Object.keys(store).filter((k) => k.startsWith(PREFIX)).map((k) => readSlot(store, k.slice(PREFIX.length)))
    .filter(Boolean).sort((a, b) => (a.id === mine ? -1 : b.id === mine ? 1 : b.time - a.time));
  let kept = null;
  let release = null;
  for (const slot of slots) {
    if ((release = await claim(slot.id))) { kept = slot; break; }
  }
  // This tab's slot from now on: a reload takes it back.
  const own = (slot) => {
    try { sessionStorage.setItem(TAB, slot); } catch (e) { /* a reload then starts a new slot */ }
    return slot;
  };
  async function newSlot() {
    let fresh;
    do fresh = newId(); while (!(await claim(fresh)));
    return own(fresh);
  }
  let id = kept ? own(kept.id) : await newSlot();
  for (const old of slots.filter((s) => s.id !== id).slice(MAX_SLOTS - 1)) {
    const free = await claim(old.id);  // a slot an open tab holds is that tab's work
    if (!free) continue;
    store.removeItem(PREFIX + old.id);
    free();
  }

  let pending = null;
  let timer = 0;
  let failed = false;
  function flush() {
    clearTimeout(timer);
    if (!pending) return;
    const { name, bytes, saved } = pending();
    pending = null;
    try {
      store.setItem(PREFIX + id, JSON.stringify({ name, saved, time: Date.now(), text: latin1(bytes) }));
    } catch (e) {
      if (!failed) onFailure();
      failed = true;
    }
  }
  addEventListener('pagehide', flush);
  document.addEventListener('visibilitychange', () => { if (document.visibilityState === 'hidden') flush(); });
  return {
    available: true,
    kept,
    keep(work) {
      pending = work;
      clearTimeout(timer);
      timer = setTimeout(flush, WRITE_DELAY_MS);
    },
    flush,
    async setAside() {
      const aside = id;
      const held = release;
      id = await newSlot();
      return () => { store.removeItem(PREFIX + aside); held(); };
    },
  };
}
