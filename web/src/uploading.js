// SPDX-License-Identifier: MIT
// The Upload and Cancel buttons: one upload at a time, its progress and its outcome. The page
// is locked from the moment Upload is pressed, and the image sent is the one compiled then,
// whatever happens to the text meanwhile. currentBytes() gives the configuration to send.
import { compileForUpload, INPUTS, Outcome, outcomeName } from './wasm.js';
import { upload, outcomeWords, serialAvailable } from './upload.js';
import { setState, pageLocked, renderState } from './page_state.js';
import { status, announce } from './status.js';

const $ = (sel) => document.querySelector(sel);

function progress({ input, secondsLeft }) {
  $('#progress').value = input;
  const left = secondsLeft === null ? '' : ` · about ${Math.max(1, Math.round(secondsLeft))} s left`;
  status(`Sending input ${input} of ${INPUTS}${left}`, 'busy');
  if (input === 1 || input % 12 === 0) announce(`Sending input ${input} of ${INPUTS}`);
}

export function createUploading(currentBytes) {
  let stopper = new AbortController();
  $('#upload').addEventListener('click', async () => {
    if (pageLocked()) return;
    setState('uploading');
    stopper = new AbortController();
    let port;
    try {
      port = await navigator.serial.requestPort();
    } catch (e) {
      setState('idle');
      return; // no port chosen
    }
    compileForUpload(currentBytes());
    $('#progress').value = 0;
    status('Connecting to the PYLO', 'busy');
    announce('Connecting to the PYLO');
    let outcome = Outcome.linkError;
    try {
      outcome = await upload(port, { progress, stop: stopper.signal });
    } catch (e) {
      // The port failed in a way the session could not see (its streams went missing).
    } finally {
      setState('idle');
    }
    if (outcome === Outcome.ok) $('#progress').value = INPUTS;
    status(outcomeWords(outcome), outcome === Outcome.ok ? 'ok' : outcome === Outcome.interrupted ? 'warn' : 'error');
    document.body.dataset.outcome = outcomeName(outcome);
  });
  $('#cancel').addEventListener('click', () => stopper.abort());

  if (!serialAvailable()) {
    $('#no-serial').hidden = false;
    $('#upload').dataset.unavailable = 'true';
    renderState();
  }
}
