// SPDX-License-Identifier: MIT
// The upload over Web Serial. The shared session (upload_plan.h, through wasm.js) says what to
// send and judges the replies; this file only moves the bytes and keeps the time.
import { session, Outcome } from './wasm.js';

export const REPLY_TIMEOUT_MS = 36;

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

// Reads the port's bytes into a queue as they come, as a serial port buffers them. A reply that
// comes after its window waits here until the session has the queue discarded before the next
// command (UploadStep.discardInput), so it is never taken as that command's reply.
function byteQueue(reader) {
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
    } catch (e) { /* the port went away: replies stop */ }
    done = true;
    if (wake) wake();
  })();
  return {
    // Throws away every byte received so far.
    discard() { bytes.length = 0; },
    // The next byte, or -1 when none came within ms.
    async next(ms) {
      if (bytes.length > 0) return bytes.shift();
      if (done) return -1;
      await new Promise((resolve) => {
        const timer = setTimeout(() => { wake = null; resolve(); }, ms);
        wake = () => { clearTimeout(timer); wake = null; resolve(); };
      });
      return bytes.length > 0 ? bytes.shift() : -1;
    },
  };
}

// Uploads the last compiled image through port (a SerialPort). progress({input, done, total,
// secondsLeft}) is called as each input opens; cancelled() is asked before every step.
// Resolves to the outcome (Outcome of wasm.js).
export async function upload(port, { progress = () => {}, cancelled = () => false } = {}) {
  try {
    await port.open({ baudRate: 9600, dataBits: 8, stopBits: 1, parity: 'none', flowControl: 'none' });
  } catch (e) {
    return Outcome.portError;
  }
  const writer = port.writable.getWriter();
  const reader = port.readable.getReader();
  const replies = byteQueue(reader);
  const total = session.start();
  const started = performance.now();
  let commands = 0;
  let reply = -1;
  let interrupted = false;
  for (;;) {
    if (!interrupted && cancelled()) {
      session.interrupt();
      interrupted = true;
    }
    const step = session.step(reply);
    if (step.count === 0) break;
    if (step.count === 4) commands++;
    if (step.input !== 0) {
      const elapsed = (performance.now() - started) / 1000;
      progress({ input: step.input, done: commands, total,
                 secondsLeft: commands > 1 ? (elapsed / commands) * (total - commands) : null });
    }
    if (step.discardInput) replies.discard();
    try {
      await writer.write(step.bytes);
    } catch (e) {
      session.writeFailed();
      reply = -1;
      continue;
    }
    reply = step.readReply ? await replies.next(REPLY_TIMEOUT_MS) : -1;
  }
  const outcome = session.outcome();
  try { await reader.cancel(); } catch (e) { /* already gone */ }
  reader.releaseLock();
  writer.releaseLock();
  try { await port.close(); } catch (e) { /* already closed */ }
  return outcome;
}
