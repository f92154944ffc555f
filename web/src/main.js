// SPDX-License-Identifier: MIT
// The page: wires the editor, the checker, the grid, the options and the upload together.
import { loadCompiler, compiledModule, check, compileForUpload, show, sequence, INPUTS } from './wasm.js';
import { createEditor, loadText, showDiagnostics, jumpTo, edit, setEditable } from './editor.js';
import { drawGrid } from './grid.js';
import { createOptions } from './options.js';
import { createSequenceEditor, statementText } from './seqedit.js';
import { createDocument, refusal, physicalLines } from './document.js';
import { upload, outcomeWords, serialAvailable } from './upload.js';
import { setState, pageLocked, pageState, renderState, onStateChange } from './page_state.js';
// Kept work, links, the key tester and offline use.
import { createWork } from './work.js';
import { createTester } from './tester.js';
import { keepOffline } from './offline.js';

const $ = (sel) => document.querySelector(sel);
// The example and the compiler load side by side.
const example = fetch('keys.txt').then((r) => r.arrayBuffer()).catch(() => new ArrayBuffer(0));
await loadCompiler();
const doc = createDocument();
let image = new Uint8Array(0);
let lines = physicalLines(new Uint8Array(0)); // of the bytes last compiled
let cancelRequested = false;

function status(text, kind = '') {
  const el = $('#status-text');
  el.textContent = text;
  $('#status').className = 'status ' + kind;
  if (kind !== 'busy') announce(text);
}

// What screen readers hear: the live region changes only when the words do, and an upload's
// progress only every twelfth input (status() shows every one).
function announce(text) {
  const region = $('#announce');
  if (region.textContent !== text) region.textContent = text;
}

// Each edit is compiled and checked at once. When checks have become slow (thousands of
// messages), edits go to a worker instead, newest first, so that typing never waits.
// The worker starts when first needed, with the page's compiled WebAssembly.
let worker = null;
function checkWorker() {
  if (worker === null) {
    worker = new Worker('check_worker.js', { type: 'module' });
    worker.postMessage({ module: compiledModule() });
    worker.onmessage = workerDone;
  }
  return worker;
}
let lastCheckMs = 0;
let version = 0;       // of the text: one more at each edit
let shownVersion = 0;  // of the result shown
let workerBusy = false;
let work = null;
function edited() {
  doc.edited = true;
  work?.changed();
  version++;
  if (lastCheckMs < 16 && !workerBusy) refresh();
  else checkInWorker();
}
function checkInWorker() {
  if (workerBusy) return;
  workerBusy = true;
  checkWorker().postMessage({ version, bytes: currentBytes() });
}
function workerDone({ data }) {
  workerBusy = false;
  lastCheckMs = data.ms;
  if (data.version === version && shownVersion !== version) {
    const now = performance.now();
    performance.measure('pylo-check', { start: now - data.ms, end: now });
    showResult(data.bytes, data.result, now);
  } else if (data.version !== version) {
    checkInWorker();
  }
}
// Edits that rewrite statements need the lines of the text as it is now.
function ensureCurrent() {
  if (shownVersion !== version) refresh();
}
const view = createEditor($('#editor'), edited);
// Line edits in the compiler's line numbers (1-based): replace a line, insert one after
// another (0: at the top, past the end: at the end), delete lines.
const edits = {
  ensureCurrent,
  replaceLine: (n, text) => edit(view, { from: lines.start(n), to: lines.end(n), insert: text }),
  insertLineAfter(n, text) {
    if (n <= 0) edit(view, { from: 0, insert: text + '\n' });
    else if (n >= lines.count) {
      const end = lines.end(lines.count);
      edit(view, { from: end, insert: (end > lines.start(lines.count) ? '\n' : '') + text + '\n' });
    } else edit(view, { from: lines.end(n), insert: '\n' + text });
  },
  deleteLines(numbers) {
    edit(view, [...new Set(numbers)].map((n) => ({ from: lines.start(n), to: n < lines.count ? lines.start(n + 1) : lines.end(n) })));
  },
  firstInputLine() {
    const lines = [];
    for (let i = 1; i <= INPUTS; i++) lines.push(sequence(i, true).line, sequence(i, false).line);
    const used = lines.filter((l) => l > 0);
    return used.length > 0 ? Math.min(...used) : Infinity;
  },
};
const options = createOptions($('#options'), edits);
const seqEditor = createSequenceEditor($('#sequence-dialog'), applySequences);

const currentBytes = () => doc.bytes(view.state.doc.toString());

// Compiles and checks the current bytes and redraws everything from the result.
// performance.measure records each step for the benchmark (tests/web/bench_web.mjs).
function refresh() {
  const start = performance.now();
  const bytes = currentBytes();
  const result = check(bytes);
  lastCheckMs = performance.now() - start;
  performance.measure('pylo-check', { start });
  showResult(bytes, result, start);
}

function showResult(bytes, result, start) {
  const drawing = performance.now();
  shownVersion = version;
  show(result);
  image = result.image;
  lines = physicalLines(bytes);
  for (const d of result.diagnostics) d.at = lines.at(d.line, d.column);
  showDiagnostics(view, result.diagnostics);
  drawMessages(result.diagnostics, result.totals);
  drawGrid($('#grid'), (input) => { ensureCurrent(); seqEditor.open(input); });
  options.draw();
  renderState();  // the tiles may be new
  performance.measure('pylo-refresh', { start });
  performance.measure('pylo-draw', { start: drawing });
  if (pageState() !== 'uploading') {
    const { warnings: w, notes: n } = result.totals;
    status(w + n === 0 ? 'No problems found' : [w && `${w} warning${w > 1 ? 's' : ''}`, n && `${n} note${n > 1 ? 's' : ''}`].filter(Boolean).join(', '),
           w > 0 ? 'warn' : 'ok');
  }
}

// The messages as pylocheck prints them: the first 1,000, then how many more there are. The
// list is redrawn only when it changed (typing inside a line of a big file leaves it as it was).
let listed = '';
function drawMessages(diagnostics, { warnings, notes, omitted }) {
  const list = $('#messages');
  $('#message-count').textContent = warnings + notes === 0 ? 'none' : String(warnings + notes);
  const key = diagnostics.map((d) => `${d.line}:${d.column}${d.severity}${d.message}`).join('\n') + omitted;
  if (key === listed) return;
  listed = key;
  const items = diagnostics.map((d) => {
    const li = document.createElement('li');
    li.className = d.severity;
    // A button, so a message can be reached with Tab and Enter goes to its place in the text.
    const go = document.createElement('button');
    go.type = 'button';
    const at = document.createElement('span');
    at.className = 'at';
    at.textContent = `${d.line}:${d.column}`;
    const sev = document.createElement('span');
    sev.className = 'sev';
    sev.textContent = d.severity;
    go.append(at, sev, d.message);
    go.addEventListener('click', () => { ensureCurrent(); jumpTo(view, lines.at(d.line, d.column)); });
    li.append(go);
    return li;
  });
  if (omitted > 0) {
    const more = document.createElement('li');
    more.className = 'more';
    more.textContent = `${omitted} more warnings and notes are not shown`;
    items.push(more);
  }
  list.replaceChildren(...items);
}

function insertionLine(input, isLong) {
  let after = 0;
  let before = Infinity;
  for (let i = 1; i <= INPUTS; i++) {
    for (const l of [true, false]) {
      const line = sequence(i, l).line;
      if (line === 0) continue;
      if (i < input || (i === input && l && !isLong)) after = Math.max(after, line);
      else before = Math.min(before, line);
    }
  }
  return after > 0 ? after : before - 1;
}

function applySequences(input, result) {
  ensureCurrent();
  for (const isLong of [true, false]) {
    const current = sequence(input, isLong);
    const text = isLong ? result.long : result.short;
    if (text === statementText(input, isLong, current)) continue;
    if (current.line > 0) edits.replaceLine(current.line, text);
    else if (!(isLong ? result.longEmpty : result.shortEmpty)) edits.insertLineAfter(insertionLine(input, isLong), text);
    refresh();  // the next statement's line comes from this compile
  }
}

const BIG_FILE_BYTES = 64 * 1024;

function openBytes(name, bytes) {
  const why = refusal(bytes);
  if (why) {
    status(`${name}: ${why}`, 'error');
    return false;
  }
  loadText(view, doc.open(name, bytes));
  version++;
  $('#file-name').textContent = name;
  // A big file is checked in the worker, so that the page answers at once.
  if (bytes.length > BIG_FILE_BYTES) {
    status('Checking…', 'busy');
    lastCheckMs = Infinity;
    checkInWorker();
  } else refresh();
  return true;
}

async function openFile(file) {
  if (pageLocked()) return;
  // A huge file is refused by its size, before it is read.
  const tooLarge = refusal({ length: file.size });
  if (tooLarge) status(`${file.name}: ${tooLarge}`, 'error');
  else if (openBytes(file.name, new Uint8Array(await file.arrayBuffer()))) work.opened();
}

function download(name, bytes) {
  const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}

$('#open').addEventListener('click', () => $('#file').click());
$('#file').addEventListener('change', (e) => { if (e.target.files[0]) openFile(e.target.files[0]); e.target.value = ''; });
$('#save').addEventListener('click', () => { download(doc.name, currentBytes()); work.savedNow(); });
$('#save-image').addEventListener('click', () => { ensureCurrent(); download(doc.name.replace(/\.[^.]*$/, '') + '.bin', image); });
window.addEventListener('dragover', (e) => { e.preventDefault(); document.body.classList.add('dropping'); });
window.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
window.addEventListener('drop', (e) => {
  e.preventDefault();  // a file dropped while the page is locked is not opened (openFile)
  document.body.classList.remove('dropping');
  if (e.dataTransfer.files[0]) openFile(e.dataTransfer.files[0]);
});

function progress({ input, secondsLeft }) {
  $('#progress').value = input;
  const left = secondsLeft === null ? '' : ` · about ${Math.max(1, Math.round(secondsLeft))} s left`;
  status(`Sending input ${input} of ${INPUTS}${left}`, 'busy');
  if (input === 1 || input % 12 === 0) announce(`Sending input ${input} of ${INPUTS}`);
}

// One upload at a time: the page is locked from the moment Upload is pressed, and the image
// sent is the one compiled then, whatever happens to the text meanwhile.
$('#upload').addEventListener('click', async () => {
  if (pageLocked()) return;
  setState('uploading');
  cancelRequested = false;
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
  let outcome = 4;
  try {
    outcome = await upload(port, { progress, cancelled: () => cancelRequested });
  } finally {
    setState('idle');
  }
  if (outcome === 0) $('#progress').value = INPUTS;
  status(outcomeWords(outcome), outcome === 0 ? 'ok' : outcome >= 128 ? 'warn' : 'error');
  document.body.dataset.outcome = String(outcome);
});
$('#cancel').addEventListener('click', () => { cancelRequested = true; });

if (!serialAvailable()) {
  $('#no-serial').hidden = false;
  $('#upload').dataset.unavailable = 'true';
}
onStateChange((name, { locked }) => setEditable(view, !locked));
// Leaving or reloading the page mid-upload asks first.
window.addEventListener('beforeunload', (e) => { if (pageState() === 'uploading') e.preventDefault(); });

// Start on the work kept from the last visit, or the example; then a link's configuration.
work = createWork({ doc, openBytes, currentBytes, status });
await work.start(new Uint8Array(await example));
setState('idle');
// The key tester, and new versions of the page.
const tester = createTester($('#tester'), setState);
$('#test-keys').addEventListener('click', () => { ensureCurrent(); tester.open(); });
keepOffline((reload) => {
  $('#update').hidden = false;
  $('#update-reload').onclick = reload;
});
document.body.dataset.ready = String(performance.now());
