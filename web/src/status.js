// SPDX-License-Identifier: MIT
// The status line under the actions, and what screen readers hear of it.
const $ = (sel) => document.querySelector(sel);

// kind: '' , 'ok', 'warn', 'error' or 'busy' (busy lines change too often to be read out).
export function status(text, kind = '') {
  $('#status-text').textContent = text;
  $('#status').className = 'status ' + kind;
  if (kind !== 'busy') announce(text);
}

// The live region changes only when the words do (an upload's progress is announced in steps).
export function announce(text) {
  const region = $('#announce');
  if (region.textContent !== text) region.textContent = text;
}
