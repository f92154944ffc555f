// SPDX-License-Identifier: MIT
// Injected into the page before its scripts: navigator.serial with one port that answers as
// pylo-sim does (its faults by the same names: delayMs for every reply, writeDelayMs for the
// writes' only, skipWrite, lateStartMs: "K" answered with the first write's reply once that
// much time has passed). window.__device.reset(faults) sets the faults and empties window.__device.wire,
// which collects every byte the page writes.
(() => {
  const defaults = { greetingReply: 0x21, greetingAnswered: true, silentFrom: 0, delayMs: 0, ack: 0x06,
                     failWriteAt: 0, openFails: false, unplugAfter: 0, writeDelayMs: 0, skipWrite: 0, lateStartMs: 0 };
  const device = window.__device = { config: defaults, wire: [], openOptions: null,
                                     reset(faults) { this.config = { ...defaults, ...faults }; this.wire = []; } };
  async function open(options) {
    const c = device.config;
    if (c.openFails) throw new DOMException('The port is in use', 'InvalidStateError');
    device.openOptions = options;
    let state = 0, writes = 0, silent = false, closed = false, unplugged = false, controller, startOwedAt = -1;
    this.readable = new ReadableStream({ start(ctl) { controller = ctl; } });
    this.close = async () => { closed = true; };
    const reply = (bytes, delayMs = c.delayMs) => {
      const send = () => { if (!closed && !unplugged) controller.enqueue(new Uint8Array(bytes)); };
      if (!silent) delayMs > 0 ? setTimeout(send, delayMs) : send();
    };
    this.writable = new WritableStream({ write(chunk) {
      const lost = unplugged || (c.failWriteAt > 0 && device.wire.length + chunk.length >= c.failWriteAt);
      if (lost) throw new DOMException('The device has been lost', 'NetworkError');
      for (const b of chunk) {
        device.wire.push(b);
        if (state > 0 && state++ < 3) continue;  // a write command: W, address high, low, data
        if (state > 0) {
          state = 0;
          if (++writes >= c.silentFrom && c.silentFrom > 0) silent = true;
          const late = startOwedAt >= 0 && performance.now() - startOwedAt >= c.lateStartMs;
          if (late) startOwedAt = -1;
          if (writes !== c.skipWrite) reply(late ? [c.ack, c.ack] : [c.ack], c.writeDelayMs || c.delayMs);
          if (writes === c.unplugAfter) { unplugged = true; controller.close(); }
        } else if (b === 0x57) state = 1;
        else if (b === 0xcd) { if (c.greetingAnswered) reply([c.greetingReply]); }  // the greeting
        else if (b === 0x4b && c.lateStartMs > 0) startOwedAt = performance.now();
        else if (b === 0x4b || b === 0x53) reply([c.ack]);
      }
    } });
  }
  const serial = { requestPort: async () => ({ open }), getPorts: async () => [] };
  Object.defineProperty(Navigator.prototype, 'serial', { get: () => serial, configurable: true });
})();
