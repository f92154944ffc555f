// SPDX-License-Identifier: MIT
// The checking round-trip. Each edit is compiled and checked at once; when checks have become
// slow (thousands of messages), edits go to a worker instead, newest first, so that typing
// never waits. The worker starts when first needed, with the page's compiled WebAssembly.
// A worker that fails (it could not load, or the check threw) is shown, ended and replaced,
// and the text checked again; a second failure on the same text waits for the next edit.
// Nothing is checked before start(), once the compiler has loaded.
// page = {currentBytes(), show(bytes, result, start), failed(words)}: show draws a result,
// failed says why the worker stopped.
import { check, compiledModule } from './wasm.js';

const SLOW_MS = 16;

export function createChecker({ currentBytes, show, failed }) {
  let worker = null;
  let lastCheckMs = 0;
  let version = 0;       // of the text: one more at each edit
  let shownVersion = 0;  // of the result shown
  let busy = false;      // the worker is checking
  let failedOn = -1;     // the version the last worker failed on
  let waiting = true;    // for start(): the text opened until then is checked by it
  let openedBig = false;

  function inWorker() {
    if (busy) return;
    busy = true;
    if (worker === null) {
      const w = worker = new Worker('check_worker.js', { type: 'module' });
      w.postMessage({ module: compiledModule() });
      w.onmessage = ({ data }) => (w !== worker ? null : data.error === undefined ? done(data) : stopped(data.error));
      w.onerror = (e) => { e.preventDefault(); if (w === worker) stopped(e.message || 'it could not start'); };
    }
    worker.postMessage({ version, bytes: currentBytes() });
  }

  function stopped(why) {
    worker.terminate();
    worker = null;
    busy = false;
    failed(`The checker stopped (${why}). ${failedOn === version ? 'Edit the text to try again.' : 'It was started again.'}`);
    if (failedOn === version) return;
    failedOn = version;
    inWorker();
  }

  function done(data) {
    busy = false;
    lastCheckMs = data.ms;
    if (data.version === version && shownVersion !== version) {
      const now = performance.now();
      performance.measure('pylo-check', { start: now - data.ms, end: now });
      shownVersion = version;
      show(data.bytes, data.result, now);
    } else if (data.version !== version) {
      inWorker();
    }
  }

  // Compiles and checks the current bytes and draws the result. performance.measure records
  // each step for the benchmark (scripts/bench_web.mjs).
  function refresh() {
    const start = performance.now();
    const bytes = currentBytes();
    const result = check(bytes);
    lastCheckMs = performance.now() - start;
    performance.measure('pylo-check', { start });
    shownVersion = version;
    show(bytes, result, start);
  }

  // A new file: a big one goes to the worker from the start, so that the page answers at once.
  function opened(big) {
    version++;
    if (waiting) openedBig = big;
    else if (!big) refresh();
    else {
      lastCheckMs = Infinity;
      inWorker();
    }
  }

  return {
    refresh,
    // The text changed: checked now, or in the worker when checks are slow.
    edited() {
      version++;
      if (lastCheckMs < SLOW_MS && !busy) refresh();
      else inWorker();
    },
    opened,
    // The compiler has loaded (wasm.js): the text is checked.
    start() {
      waiting = false;
      opened(openedBig);
    },
    // Edits that rewrite statements need the result of the text as it is now; false before
    // start(), when there is none.
    ensureCurrent() {
      if (waiting) return false;
      if (shownVersion !== version) refresh();
      return true;
    },
  };
}
