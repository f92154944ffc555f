// Injected into the page before its scripts: navigator.serial with one port that answers as
// pylo-sim does. window.__device.config sets the faults; window.__device.wire collects every
// byte the page wrote.
(() => {
  const GREETING = 0xcd, CLOSING = 0xed;
  const device = {
    config: { greetingReply: 0x21, greetingAnswered: true, silentFrom: 0, delayMs: 0, ack: 0x06,
              failWriteAt: 0, openFails: false, unplugAfter: 0 },
    wire: [],
    openOptions: null,
  };
  window.__device = device;

  class FakePort {
    async open(options) {
      if (device.config.openFails) throw new DOMException('The port is in use', 'InvalidStateError');
      device.openOptions = options;
      let state = 'command', writes = 0, silent = false, closed = false, unplugged = false, controller;
      this.readable = new ReadableStream({ start(c) { controller = c; } });
      const reply = (byte) => {
        if (silent) return;
        const send = () => { if (!closed && !unplugged) controller.enqueue(new Uint8Array([byte])); };
        if (device.config.delayMs > 0) setTimeout(send, device.config.delayMs); else send();
      };
      this.writable = new WritableStream({
        write(chunk) {
          if (unplugged) throw new DOMException('The device has been lost', 'NetworkError');
          if (device.config.failWriteAt > 0 && device.wire.length + chunk.length >= device.config.failWriteAt) {
            throw new DOMException('The device has been lost', 'NetworkError');
          }
          for (const b of chunk) {
            device.wire.push(b);
            if (state === 'high') state = 'low';
            else if (state === 'low') state = 'data';
            else if (state === 'data') {
              state = 'command';
              writes++;
              if (device.config.silentFrom > 0 && writes >= device.config.silentFrom) silent = true;
              reply(device.config.ack);
              if (writes === device.config.unplugAfter) {
                unplugged = true;
                controller.close();
              }
            } else if (b === 0x57) state = 'high';
            else if (b === GREETING) { if (device.config.greetingAnswered) reply(device.config.greetingReply); }
            else if (b === 0x4b || b === 0x53) reply(device.config.ack);
          }
        },
      });
      this.close = async () => { closed = true; };
    }
  }
  const serial = { requestPort: async () => new FakePort(), getPorts: async () => [] };
  Object.defineProperty(Navigator.prototype, 'serial', { get: () => serial, configurable: true });
})();
