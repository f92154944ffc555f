// SPDX-License-Identifier: MIT
// The upload over Web Serial. The shared session (upload_plan.h, through wasm.js) says what to
// send and judges the replies; this file only moves the bytes and keeps the time.
import { session, Outcome } from './wasm.js';

// A write, or the wait for the last bytes to leave, that has not ended after this long is on a
// stalled line (a command takes 4 ms at 9600 baud): the upload ends there as a link error.
const WRITE_TIMEOUT_MS = 3000;
// Once Cancel is pressed, a write or the last bytes get this long before they are given up.
const CANCEL_MS = 200;

// pyloload's words for each outcome.
export function outcomeWords(outcome) {
  if (outcome === Outcome.ok) return 'Configuration complete';
  if (outcome === Outcome.portError) return 'Error opening the port: make sure that it is not in use by another application';
  if (outcome === Outcome.noDevice) return 'PYLO not found';
  if (outcome === Outcome.interrupted) return 'Upload interrupted';
  return 'Error while communicating with PYLO';
}

export function serialAvailable() {
  return typeof navigator !== 'undefined' && 'serial' in navigator;
}

// Reads the port's bytes into a queue as they come, as a serial port buffers them. A reply is
// every byte that has come when the first one is there (two where one is due tell the session
// that the replies lost their step); settling throws away what comes until the line is quiet.
// Every wait ends at once when stop is signalled.
function byteQueue(reader, stop) {
  const bytes = [];
  let wake = null;
  let done = false;
  (async () => {
    try {
      for (;;) {
        const { value, done: ended } = await reader.read();
        if (ended) break;
        for (const b of value) bytes.push(b);
        if (wake) wake();
      }
    } catch (e) { /* the port went away, or a byte came garbled: replies stop */ }
    done = true;
    if (wake) wake();
  })();
  stop.addEventListener('abort', () => wake?.());
  // Resolves once a byte is waiting, ms have passed, or stop is signalled.
  async function arrival(ms) {
    if (bytes.length > 0 || done || stop.aborted) return;
    await new Promise((resolve) => {
      const timer = setTimeout(() => { wake = null; resolve(); }, ms);
      wake = () => { clearTimeout(timer); wake = null; resolve(); };
    });
  }
  return {
    // The reply as the session takes it: the first byte, plus extra when more came with it;
    // -1 when none came within ms.
    async reply(ms, extra) {
      await arrival(ms);
      if (bytes.length === 0) return -1;
      const first = bytes.shift();
      const more = bytes.length > 0;
      bytes.length = 0;
      return more ? first + extra : first;
    },
    // Throws away what comes until nothing has come for quietMs; the count thrown away, or -1
    // when the line did not fall quiet within limitMs or is gone.
    async settle(quietMs, limitMs) {
      const limit = performance.now() + limitMs;
      let seen = 0;
      for (;;) {
        if (performance.now() + quietMs > limit) return -1;
        await arrival(quietMs);
        if (bytes.length === 0) return done ? -1 : seen;
        seen += bytes.length;
        bytes.length = 0;
      }
    },
  };
}

// Whether promise fulfils in time: within ms, and within CANCEL_MS of stop being signalled.
function inTime(promise, stop, ms = WRITE_TIMEOUT_MS) {
  return new Promise((resolve) => {
    let timer = setTimeout(resolve, ms, false);
    const shorten = () => { clearTimeout(timer); timer = setTimeout(resolve, CANCEL_MS, false); };
    if (stop.aborted) shorten();
    else stop.addEventListener('abort', shorten, { once: true });
    promise.then(() => resolve(true), () => resolve(false)).finally(() => {
      clearTimeout(timer);
      stop.removeEventListener('abort', shorten);
    });
  });
}

const OPEN_OPTIONS = { baudRate: 9600, dataBits: 8, stopBits: 1, parity: 'none', flowControl: 'none' };

// Uploads the last compiled image through port (a SerialPort). progress({input, done, total,
// secondsLeft}) is called as each input opens; stop (an AbortSignal) is Cancel: the session
// then sends the closing byte if the line takes it within CANCEL_MS, and ends. Resolves to the
// outcome (Outcome of wasm.js); the port is closed again whatever happens.
export async function upload(port, { progress = () => {}, stop = new AbortController().signal } = {}) {
  try {
    await port.open(OPEN_OPTIONS);
  } catch (e) {
    return Outcome.portError;
  }
  let writer = null;
  let reader = null;
  let stuck = false;  // a write or the last bytes did not leave: the writer holds them still
  try {
    writer = port.writable.getWriter();
    reader = port.readable.getReader();
    const replies = byteQueue(reader, stop);
    const total = session.start();
    // The session's times and its mark of a doubled reply, asked once rather than at every step.
    const windowMs = session.replyWindowMs();
    const settleLimitMs = session.settleLimitMs();
    const replyExtra = session.replyExtra();
    const started = performance.now();
    let commands = 0;
    let reply = -1;
    let interrupted = false;
    const interrupt = () => {
      if (!interrupted && stop.aborted) session.interrupt();
      interrupted = stop.aborted;
    };
    for (;;) {
      interrupt();
      const step = session.step(reply);
      if (step.count === 0) break;
      if (step.count === 4) commands++;
      if (step.input !== 0) {
        const elapsed = (performance.now() - started) / 1000;
        progress({ input: step.input, done: commands, total,
                   secondsLeft: commands > 1 ? (elapsed / commands) * (total - commands) : null });
      }
      if (step.settleFirst) {
        const seen = await replies.settle(windowMs, settleLimitMs);
        if (!session.settled(seen)) { reply = -1; continue; }
      }
      // A write that fails or stalls ends the session at once: no closing byte could follow it.
      if (!(await inTime(writer.write(step.bytes), stop))) {
        interrupt();
        stuck = true;
        session.writeFailed();
        reply = -1;
        continue;
      }
      reply = step.readReply ? await replies.reply(windowMs, replyExtra) : -1;
    }
    // The outcome holds once every byte up to the closing byte has left the host.
    if (!stuck && !(await inTime(writer.close(), stop))) {
      stuck = true;
      session.writeFailed();
    }
  } finally {
    // Web Serial's close() refuses while a stream is locked, and waits for what the writer still
    // holds: a stuck writer is aborted (which rejects its write and drops what was not sent),
    // the reader cancelled, both released.
    const never = new AbortController().signal;
    if (stuck) await inTime(writer.abort(), never, CANCEL_MS);
    if (reader) await inTime(reader.cancel(), never, CANCEL_MS);
    reader?.releaseLock();
    writer?.releaseLock();
    await inTime(port.close(), never);
  }
  return session.outcome();
}
