// SPDX-License-Identifier: MIT
// The page: wires the editor, the checker, the messages, the grid, the options, the input
// editor, the upload, kept work, the key tester and offline use together. What the first
// paint of the text does not need is imported after it (later.js).
import { loadCompiler, show } from './wasm.js';
import { createEditor, loadText, showDiagnostics, jumpTo, setEditable, addLater } from './editor.js';
import { createChecker } from './checker.js';
import { createMessageList } from './messages.js';
import { drawGrid } from './grid.js';
import { createOptions } from './options.js';
import { createSequenceEditor } from './seqedit.js';
import { createLineEdits } from './line_edits.js';
import { createDocument, refusal, physicalLines } from './document.js';
import { setState, pageLocked, pageState, renderState, onStateChange } from './page_state.js';
import { status } from './status.js';
import { createWork } from './work.js';
import { keepOffline } from './offline.js';

const $ = (sel) => document.querySelector(sel);
// The text is shown first; then the compiler (pylo.wasm) is fetched and checks it.
const example = fetch('keys.txt').then((r) => r.arrayBuffer()).catch(() => new ArrayBuffer(0));
// A task of its own; once what was drawn is on the screen (three frames on, as a busy machine
// shows a frame late, or after 100 ms, as a hidden tab draws no frames). Long tasks keep a slow
// phone from answering.
const next = () => new Promise((done) => setTimeout(done));
const frame = () => new Promise((done) => requestAnimationFrame(done));
const painted = () => new Promise((done) => { frame().then(frame).then(frame).then(() => setTimeout(done)); setTimeout(done, 100); });
const doc = createDocument();
let image = new Uint8Array(0);
let lines = physicalLines(new Uint8Array(0)); // of the bytes last compiled
let work = null;

await next();  // the editor after the modules
const currentBytes = () => doc.bytes(view.state.doc.toString());
const checker = createChecker({ currentBytes, show: showResult, failed: (words) => status(words, 'error') });
const view = createEditor($('#editor'), () => {
  doc.edited = true;
  work?.changed();
  checker.edited();
});
const drawMessages = createMessageList($('#messages'), $('#message-count'), (d) => {
  checker.ensureCurrent();
  jumpTo(view, lines.at(d.line, d.column));
});
const { edits, applySequences } = createLineEdits(view, () => lines, checker);
const options = createOptions($('#options'), edits);
const seqEditor = createSequenceEditor($('#sequence-dialog'), applySequences);

// Draws everything from a result of the checker.
function showResult(bytes, result, start) {
  const drawing = performance.now();
  show(result);
  image = result.image;
  lines = physicalLines(bytes);
  // The checker's places in the editor: findings, and the edits of their repairs (0-based).
  for (const d of result.diagnostics) {
    d.at = lines.at(d.line, d.column);
    d.to = lines.at(d.line, d.end);
    for (const e of d.fixes.flatMap((f) => f.edits)) [e.at, e.end] = [lines.at(e.from.line + 1, e.from.column + 1), lines.at(e.to.line + 1, e.to.column + 1)];
  }
  showDiagnostics(view, result.diagnostics);
  drawMessages(result.diagnostics, result.totals);
  drawGrid($('#grid'), (input) => { checker.ensureCurrent(); seqEditor.open(input); });
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

const BIG_FILE_BYTES = 64 * 1024;

function openBytes(name, bytes) {
  const why = refusal(bytes);
  if (why) {
    status(`${name}: ${why}`, 'error');
    return false;
  }
  loadText(view, doc.open(name, bytes));
  $('#file-name').textContent = name;
  // A big file is checked in the worker, so that the page answers at once.
  if (bytes.length > BIG_FILE_BYTES) status('Checking…', 'busy');
  checker.opened(bytes.length > BIG_FILE_BYTES);
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
$('#save-image').addEventListener('click', () => { if (checker.ensureCurrent()) download(doc.name.replace(/\.[^.]*$/, '') + '.bin', image); });
window.addEventListener('dragover', (e) => { e.preventDefault(); document.body.classList.add('dropping'); });
window.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
window.addEventListener('drop', (e) => {
  e.preventDefault();  // a file dropped while the page is locked is not opened (openFile)
  document.body.classList.remove('dropping');
  if (e.dataTransfer.files[0]) openFile(e.dataTransfer.files[0]);
});

onStateChange((name, { locked }) => setEditable(view, !locked));
// Leaving or reloading the page mid-upload asks first.
window.addEventListener('beforeunload', (e) => { if (pageState() === 'uploading') e.preventDefault(); });

// Start on the work kept from the last visit, or the example; then a link's configuration.
// Once the text is on the screen it is checked; then come completion, hover and undo, the
// upload, the key tester, and new versions of the page, which is then unlocked.
work = createWork({ doc, openBytes, currentBytes, status, download });
await work.start(new Uint8Array(await example));
await painted();
await loadCompiler();
checker.start();
await painted();
const { assist, createUploading, createTester } = await import('./later.js');
await next();
addLater(view, assist(doc));
await next();
createUploading(currentBytes);
const tester = createTester($('#tester'), setState);
$('#test-keys').addEventListener('click', () => { checker.ensureCurrent(); tester.open(); });
keepOffline((reload) => {
  $('#update').hidden = false;
  $('#update-reload').onclick = reload;
});
setState('idle');
document.body.dataset.ready = String(performance.now());
