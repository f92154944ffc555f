// SPDX-License-Identifier: MIT
// The shared C++ compiled to WebAssembly: compile, check (with the findings' repairs),
// completions and hover text, key tables, upload steps. Everything the page knows about the
// configuration language comes through here.

export const IMAGE_SIZE = 8196;
export const INPUTS = 72;
export const KIND_PREL = 73, KIND_REVX = 74, KIND_REVY = 75, KIND_MSET0 = 76, KIND_ROT1 = 80;

let m = null;
let wasmModule = null;

// What an upload can end in (upload_plan.h's outcomes), filled in by loadCompiler: compare an
// outcome with these, never with a number.
export const Outcome = { ok: null, portError: null, noDevice: null, linkError: null, interrupted: null };
export const outcomeName = (outcome) => Object.keys(Outcome).find((name) => Outcome[name] === outcome) ?? 'unknown';

// Compiles pylo.wasm, fetched once per load, or takes the module already compiled by the page:
// the worker gets it from there. Its glue (pylo.js) is imported here, not before.
export async function loadCompiler(module = null) {
  const glue = import('./pylo.js');
  if (module === null) {
    const response = await fetch('pylo.wasm', { credentials: 'same-origin' });
    module = await WebAssembly.compile(await response.arrayBuffer());
  }
  wasmModule = module;
  const { default: createPylo } = await glue;
  m = await createPylo({
    instantiateWasm(imports, done) {
      WebAssembly.instantiate(module, imports).then((instance) => done(instance, module));
      return {};
    },
  });
  Object.assign(Outcome, { ok: m._pylo_outcome_ok(), portError: m._pylo_outcome_port_error(), noDevice: m._pylo_outcome_no_device(),
                           linkError: m._pylo_outcome_link_error(), interrupted: m._pylo_outcome_interrupted() });
  return m;
}

export const compiledModule = () => wasmModule;

function cString(ptr) {
  const heap = m.HEAPU8;
  let end = ptr;
  while (heap[end] !== 0) end++;
  return latin1(heap.subarray(ptr, end));
}

// Bytes to a string of one character per byte.
export function latin1(bytes) {
  let s = '';
  for (let i = 0; i < bytes.length; i += 8192) {
    s += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
  }
  return s;
}

// The text the last call left in pylo_text(), length characters.
function outText(length) {
  const ptr = m._pylo_text();
  return latin1(m.HEAPU8.subarray(ptr, ptr + length));
}

// One character per byte, as the page's document holds text: a character no byte holds is "?".
export function toBytes(text) {
  const out = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) {
    const c = text.charCodeAt(i);
    out[i] = c < 256 ? c : 0x3f;
  }
  return out;
}

function putInput(bytes, extra = 0) {
  const ptr = m._pylo_input(bytes.length + extra);
  if (ptr === 0) throw new Error('out of memory');
  m.HEAPU8.set(bytes, ptr);
  return ptr;
}

// Compiles and checks bytes. The result holds everything the page draws: the image, the
// diagnostics [{line, column, end, severity: 'warning'|'note', code, message, fixes}] (the first
// 1,000, as pylocheck lists them; 1-based, end the column after the finding's entry or word;
// code the kind of finding; fixes [{title, edits: [{from, to, text}]}], the repairs, with
// 0-based {line, column} points), the totals {warnings, notes, omitted} (omitted: findings not
// listed), every input's two sequences and the options. It is plain data, so a worker can
// compute it too.
export function check(bytes) {
  putInput(bytes);
  m._pylo_check(bytes.length);
  const diagnostics = [];
  for (const row of cString(m._pylo_diagnostics()).split('\n')) {
    if (row === '') continue;
    const [line, column, end, severity, code, ...message] = row.split('\t');
    diagnostics.push({ line: +line, column: +column, end: +end, severity: severity === 'w' ? 'warning' : 'note', code,
                       message: message.join('\t'), fixes: fixesOf(diagnostics.length) });
  }
  const sequences = [];
  for (let input = 1; input <= INPUTS; input++) sequences.push([readSequence(input, true), readSequence(input, false)]);
  const options = {};
  for (let kind = KIND_PREL; kind < KIND_ROT1 + 4; kind++) {
    const lines = [];
    for (let i = 0; i < m._pylo_option_line_count(kind); i++) lines.push(m._pylo_option_line(kind, i));
    options[kind] = { set: m._pylo_option(kind) !== 0, lines };
  }
  const ptr = m._pylo_image();
  const totals = { warnings: m._pylo_warning_total(), notes: m._pylo_note_total(), omitted: m._pylo_omitted_total() };
  return { image: m.HEAPU8.slice(ptr, ptr + IMAGE_SIZE), diagnostics, totals, sequences, options };
}

function fixesOf(item) {
  const fixes = [];
  for (let f = 0; f < m._pylo_fix_count(item); f++) {
    const edits = [];
    for (let e = 0; e < m._pylo_edit_count(item, f); e++) {
      const point = (which) => ({ line: m._pylo_edit_point(item, f, e, which), column: m._pylo_edit_point(item, f, e, which + 1) });
      edits.push({ from: point(0), to: point(2), text: outText(m._pylo_edit_text(item, f, e)) });
    }
    fixes.push({ title: outText(m._pylo_fix_title(item, f)), edits });
  }
  return fixes;
}

// What the checker offers at a 0-based byte column of one line (its text one character per
// byte, without its line end): completions [{label, detail, kind, from, to}], kind one of
// COMPLETION_KINDS, from and to the columns the label replaces; and the hover text (Markdown)
// with the columns it is about, or null.
const COMPLETION_KINDS = ['key', 'marker', 'option', 'value', 'statement'];
export function completionsAt(line, column) {
  putInput(toBytes(line));
  return outText(m._pylo_completions(line.length, column)).split('\n').filter(Boolean).map((row) => {
    const [from, to, kind, label, detail] = row.split('\t');
    return { label, detail, kind: COMPLETION_KINDS[kind], from: +from, to: +to };
  });
}
export function hoverAt(line, column) {
  putInput(toBytes(line));
  const text = outText(m._pylo_hover(line.length, column));
  return text === '' ? null : { text, from: m._pylo_hover_from(), to: m._pylo_hover_to() };
}

// Compiles bytes for the upload, which sends the image last compiled here.
export function compileForUpload(bytes) {
  putInput(bytes);
  m._pylo_compile(bytes.length);
}

function readSequence(input, isLong) {
  const entries = [];
  const slots = isLong ? 32 : 16;
  for (let slot = 0; slot < slots; slot++) {
    if (m._pylo_entry(input, isLong ? 1 : 0, slot) === 0) break;
    entries.push(cString(m._pylo_entry_text()));
  }
  const flags = m._pylo_sequence_flags(input, isLong ? 1 : 0);
  return {
    entries,
    r: (flags & 1) !== 0,
    s: (flags & 2) !== 0,
    line: m._pylo_sequence_line(input, isLong ? 1 : 0),
    cut: m._pylo_sequence_cut(input, isLong ? 1 : 0) !== 0,
  };
}

// The result the page shows now, whichever thread computed it.
let shown = null;
export function show(result) { shown = result; }

// One input's sequence as it stands in the result shown.
export function sequence(input, isLong) { return shown.sequences[input - 1][isLong ? 0 : 1]; }
export function optionSet(kind) { return shown.options[kind].set; }
export function optionLines(kind) { return shown.options[kind].lines; }

// Every name of the main (table 0) or keypad (1) table with its key number.
export function keyTable(table) {
  const keys = [];
  const n = m._pylo_key_count(table);
  for (let i = 0; i < n; i++) keys.push({ name: cString(m._pylo_key_name(table, i)), number: m._pylo_key_number_at(table, i) });
  return keys;
}

export function keyNumber(name, keypad) {
  const bytes = new Uint8Array(name.length + 1);
  for (let i = 0; i < name.length; i++) bytes[i] = name.charCodeAt(i) & 0xff;
  putInput(bytes);
  return m._pylo_key_number(keypad ? 1 : 0);
}

// The upload session of upload_plan.h over the last compiled image.
export const session = {
  start: () => m._pylo_upload_start(),
  step(reply) {
    const count = m._pylo_upload_step(reply);
    const ptr = m._pylo_step_bytes();
    return { bytes: m.HEAPU8.slice(ptr, ptr + count), count, readReply: m._pylo_step_reads_reply() !== 0,
             input: m._pylo_step_input(), settleFirst: m._pylo_step_settles_first() !== 0 };
  },
  settled: (seen) => m._pylo_upload_settled(seen) !== 0,
  replyWindowMs: () => m._pylo_reply_window_ms(),
  settleLimitMs: () => m._pylo_settle_limit_ms(),
  replyExtra: () => m._pylo_reply_extra(),
  interrupt: () => m._pylo_upload_interrupt(),
  writeFailed: () => m._pylo_upload_write_failed(),
  outcome: () => m._pylo_upload_outcome(),
};
