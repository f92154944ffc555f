// SPDX-License-Identifier: MIT
// Injected into the page before its scripts: navigator.serial with one port, and behind it a
// PYLO on a 9600-baud line that answers as pylo-sim does. The port behaves as Web Serial's:
// a write settles once the port has taken its bytes, which then leave at about 1.04 ms a byte;
// each reply leaves one byte-time after the command it answers, a byte at a time; closing the
// writer waits until every byte has left, aborting it rejects a pending write; close() refuses
// while a stream is locked, open() refuses an open port.
// Faults, by pylo-sim's names where it has them: greetingReply, greetingAnswered, silentFrom,
// skipWrite, ack; delayMs (before every reply), writeDelayMs (the writes' only), lateStartMs
// ("K" answered that late, on its own); unplugAfter (the device is lost after answering the
// Nth write); openFails; failWriteAt (the write carrying the port's Nth byte fails: the device
// is gone); stallAt (from its Nth byte on the port takes nothing: that write never settles);
// readFailAt (the reply to the Nth write comes garbled: the readable errors, and Web Serial
// then offers a new one).
// window.__device.reset(faults) sets the faults and empties window.__device.wire, every byte
// sent to the device; window.__device.isOpen tells whether the port is open.
(() => {
  const BYTE_MS = 10000 / 9600;  // 8N1: ten bits a byte
  const defaults = { greetingReply: 0x21, greetingAnswered: true, silentFrom: 0, delayMs: 0, ack: 0x06,
                     failWriteAt: 0, openFails: false, unplugAfter: 0, writeDelayMs: 0, skipWrite: 0, lateStartMs: 0,
                     stallAt: 0, readFailAt: 0 };
  const device = window.__device = { config: defaults, wire: [], openOptions: null, isOpen: false,
                                     reset(faults) { this.config = { ...defaults, ...faults }; this.wire = []; } };
  // Runs fn at time t of performance.now(). Each reply is timed as its command is written, before
  // the page starts the reply's window, and timers run in the order of their times however late
  // a loaded machine runs them: a reply due inside its window is there when the window ends.
  const at = (t, fn) => setTimeout(fn, Math.max(0, t - performance.now()));
  const lost = () => new DOMException('The device has been lost.', 'NetworkError');

  let readable = null;
  let writable = null;
  const port = {
    get readable() { return readable?.() ?? null; },
    get writable() { return writable; },
    open,
    async close() {
      if (!device.isOpen) throw new DOMException('The port is already closed.', 'InvalidStateError');
      const r = port.readable;
      if (r?.locked || writable?.locked) throw new TypeError('Cannot cancel a locked stream');
      await Promise.all([r?.cancel(), writable?.close()]);
      readable = writable = null;
      device.isOpen = false;
    },
  };

  async function open(options) {
    const c = device.config;
    if (device.isOpen) throw new DOMException('The port is already open.', 'InvalidStateError');
    if (c.openFails) throw new DOMException('Failed to open serial port.', 'NetworkError');
    device.openOptions = options;
    device.isOpen = true;
    let gone = false;       // the device was unplugged
    let taken = 0;          // bytes the port has taken from writes
    let lineFree = 0;       // when the line to the device has sent what it was given
    let replyFree = 0;      // and the line back
    let stream = null, reading = null;
    readable = () => {      // a new stream after an error, as Web Serial gives; none once the device is gone
      if (!stream && !gone && device.isOpen) stream = new ReadableStream({ start(ctl) { reading = ctl; } });
      return stream;
    };
    const failReading = (error) => { reading?.error(error); stream = reading = null; };
    const unplug = () => { gone = true; failReading(lost()); };

    // The device: a byte that arrives at time t, and the reply it gets, a byte-time (or delayMs) later.
    let command = 0, writes = 0, silent = false;
    const reply = (t, byte, delayMs = c.delayMs, then = () => {}) => {
      if (silent) return;
      const ctl = reading;
      at(replyFree = Math.max(t + (delayMs || BYTE_MS), replyFree) + BYTE_MS, () => {
        if (ctl === reading && device.isOpen) try { ctl.enqueue(Uint8Array.of(byte)); } catch (e) { /* cancelled */ }
        then();
      });
    };
    function arrive(b, t) {
      device.wire.push(b);
      if (command > 0 && command++ < 3) return;  // a write command: W, address high, low, data
      if (command > 0) {
        command = 0;
        if (++writes >= c.silentFrom && c.silentFrom > 0) silent = true;
        if (writes === c.readFailAt) at(t + 2 * BYTE_MS, () => failReading(new DOMException('A framing error was detected.', 'FramingError')));
        else if (writes !== c.skipWrite) reply(t, c.ack, c.writeDelayMs || c.delayMs, writes === c.unplugAfter ? unplug : undefined);
      } else if (b === 0x57) command = 1;
      else if (b === 0xcd) { if (c.greetingAnswered) reply(t, c.greetingReply); }
      else if (b === 0x4b) reply(t, c.ack, c.lateStartMs || c.delayMs);
      else if (b === 0x53) reply(t, c.ack);
    }

    writable = new WritableStream({
      write(chunk, controller) {
        if (gone || (c.failWriteAt > 0 && taken + chunk.length >= c.failWriteAt)) {
          unplug();
          writable = null;  // an errored stream is dropped, as Web Serial drops it
          throw lost();
        }
        let i = 0;
        for (; i < chunk.length && !(c.stallAt > 0 && taken + 1 >= c.stallAt); i++, taken++) {
          arrive(chunk[i], lineFree = Math.max(performance.now(), lineFree) + BYTE_MS);
        }
        if (i === chunk.length) return undefined;
        // The port takes nothing more: the write settles only when the writer is aborted.
        return new Promise((resolve, reject) => controller.signal.addEventListener('abort', () => reject(controller.signal.reason)));
      },
      close: () => new Promise((resolve) => at(lineFree, () => { writable = null; resolve(); })),
      abort() { writable = null; },
    });
  }

  const serial = { requestPort: async () => port, getPorts: async () => [port] };
  Object.defineProperty(Navigator.prototype, 'serial', { get: () => serial, configurable: true });
})();
