// SPDX-License-Identifier: MIT
// Checks in the background when checks have become slow (a file with thousands of messages),
// so that typing never waits for them. Posts back the same result check() gives.
import { loadCompiler, check } from './wasm.js';

// The first message hands over the page's compiled WebAssembly module, so that pylo.wasm is
// not downloaded again.
let ready = null;
self.onmessage = async ({ data }) => {
  if (data.module) {
    ready = loadCompiler(data.module);
    return;
  }
  try {
    await ready;
    const start = performance.now();
    const result = check(data.bytes);
    self.postMessage({ version: data.version, bytes: data.bytes, result, ms: performance.now() - start });
  } catch (e) {
    // The page shows the failure and starts a new worker (checker.js).
    self.postMessage({ version: data.version, error: String(e?.message ?? e) });
  }
};
