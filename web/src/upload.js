// SPDX-License-Identifier: MIT
// The upload over Web Serial. The shared session (upload_plan.h, through wasm.js) says what to
// send and judges the replies; this file only moves the bytes and keeps the time.
import { session } from './wasm.js';

export const REPLY_TIMEOUT_MS = 36;
const SIGINT = 2;
const INTERRUPTED = 5;  // UploadInterrupted

// pyloload's words for each outcome.
export function outcomeWords(outcome) {
  if (outcome === 0) return 'Configuration complete';
  if (outcome === 2) return 'Error opening the port: make sure that it is not in use by another application';
  if (outcome === 3) return 'PYLO not found';
  if (outcome >= 128) return 'Upload interrupted';
  return 'Error while communicating with PYLO';
}

export function serialAvailable() {
  return typeof navigator !== 'undefined' && 'serial' in navigator;
}

// Reads the port's bytes into a queue as they come, as a serial port buffers them. A reply is
// every byte that has come when the first one is there (two where one is due tell the session
// that the replies lost their step); settling throws away what comes until the line is quiet.
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
  // Resolves once a byte is waiting or ms have passed.
  async function arrival(ms) {
    if (bytes.length > 0 || done) return;
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
    // when the line did not fall quiet within limitMs.
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

// Uploads the last compiled image through port (a SerialPort). progress({input, done, total,
// secondsLeft}) is called as each input opens; cancelled() is asked before every step.
// Resolves to the outcome: 0 ok, 2 port error, 3 no device, 4 link error, 130 cancelled.
export async function upload(port, { progress = () => {}, cancelled = () => false } = {}) {
  try {
    await port.open({ baudRate: 9600, dataBits: 8, stopBits: 1, parity: 'none', flowControl: 'none' });
  } catch (e) {
    return 2;
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
      session.interrupt(SIGINT);
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
    if (step.settleFirst) {
      const seen = await replies.settle(session.replyWindowMs(), session.settleLimitMs());
      if (!session.settled(Math.max(seen, 0), seen >= 0)) { reply = -1; continue; }
    }
    try {
      await writer.write(step.bytes);
    } catch (e) {
      session.writeFailed();
      reply = -1;
      continue;
    }
    reply = step.readReply ? await replies.reply(REPLY_TIMEOUT_MS, session.replyExtra()) : -1;
  }
  const outcome = session.outcome() === INTERRUPTED ? 128 + session.signal() : session.outcome();
  try { await reader.cancel(); } catch (e) { /* already gone */ }
  reader.releaseLock();
  writer.releaseLock();
  try { await port.close(); } catch (e) { /* already closed */ }
  return outcome;
}
