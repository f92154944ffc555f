// SPDX-License-Identifier: MIT
// pylocheck --lsp driven by vscode-jsonrpc, the library VS Code's own client is built on: one test
// per feature, and the round trip of a misspelt key through its quick fix to the image.
//   PYLOCHECK=build/tools/check/pylocheck node --test tests/lsp/client_test.mjs
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, dirname } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import * as rpc from 'vscode-jsonrpc/node';

const pylocheck = process.env.PYLOCHECK;
const here = dirname(fileURLToPath(import.meta.url));
const misspelt = readFileSync(join(here, 'misspelt.txt'), 'utf8');
const uri = pathToFileURL(join(here, 'misspelt.txt')).href;

// A server and a connection to it; diagnostics(uri) waits for the next publication for uri.
async function start(t, positionEncodings) {
  const server = spawn(pylocheck, ['--lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  const connection = rpc.createMessageConnection(new rpc.StreamMessageReader(server.stdout),
                                                 new rpc.StreamMessageWriter(server.stdin));
  const waiting = new Map();
  connection.onNotification('textDocument/publishDiagnostics', (params) => {
    waiting.get(params.uri)?.(params);
    waiting.delete(params.uri);
  });
  connection.listen();
  t.after(() => { connection.dispose(); server.kill(); });
  const capabilities = positionEncodings ? { general: { positionEncodings } } : {};
  const init = await connection.sendRequest('initialize', { processId: process.pid, rootUri: null, capabilities });
  await connection.sendNotification('initialized', {});
  return {
    connection, init, exited,
    diagnostics: (forUri) => new Promise((resolve) => waiting.set(forUri, resolve)),
    open: async (text, openUri = uri) => {
      const published = new Promise((resolve) => waiting.set(openUri, resolve));
      await connection.sendNotification('textDocument/didOpen',
        { textDocument: { uri: openUri, languageId: 'pylo', version: 1, text } });
      return (await published).diagnostics;
    },
  };
}

// The text with the edits applied (each range in UTF-16 units, as JavaScript strings count).
function applyEdits(text, edits) {
  const lines = text.split('\n');
  const offset = ({ line, character }) => lines.slice(0, line).reduce((n, l) => n + l.length + 1, 0) + character;
  const sorted = [...edits].sort((a, b) => offset(b.range.start) - offset(a.range.start));
  for (const edit of sorted) {
    text = text.slice(0, offset(edit.range.start)) + edit.newText + text.slice(offset(edit.range.end));
  }
  return text;
}

function image(path, work) {
  const out = join(work, 'image.' + Math.random().toString(36).slice(2));
  execFileSync(pylocheck, ['--image', out, path]);
  return readFileSync(out);
}

test('diagnostics: the misspelt key at its line and column, with the did-you-mean note', async (t) => {
  const { open } = await start(t);
  const diagnostics = await open(misspelt);
  const warnings = diagnostics.filter((d) => d.severity === 2);
  assert.equal(warnings.length, 1);
  const [warning] = warnings;
  assert.deepEqual(warning.range, { start: { line: 2, character: 9 }, end: { line: 2, character: 13 } });
  assert.equal(warning.message, "unknown key name 'shft'; it ends the sequence");
  assert.equal(warning.source, 'pylocheck');
  assert.equal(warning.code, 'unknown-key-name');
  assert.ok(warning.relatedInformation.some((r) => r.message === "did you mean 'shift'?"));
});

test('quick fix: the round trip from the misspelt key to the corrected image', async (t) => {
  const { connection, open } = await start(t);
  const [warning] = (await open(misspelt)).filter((d) => d.severity === 2);
  const actions = await connection.sendRequest('textDocument/codeAction',
    { textDocument: { uri }, range: warning.range, context: { diagnostics: [warning], only: ['quickfix'] } });
  assert.equal(actions.length, 1);
  assert.equal(actions[0].kind, 'quickfix');
  assert.equal(actions[0].isPreferred, true);
  const fixed = applyEdits(misspelt, actions[0].edit.changes[uri]);
  const work = mkdtempSync(join(tmpdir(), 'pylo-lsp-'));
  t.after(() => rmSync(work, { recursive: true, force: true }));
  writeFileSync(join(work, 'fixed.txt'), fixed);
  assert.deepEqual(image(join(work, 'fixed.txt'), work), image(join(here, 'corrected.txt'), work));
});

test('completion: key names after the markers, with the key number and what it types', async (t) => {
  const { connection, open } = await start(t);
  await open('in03:[(+)sh\n');
  const list = await connection.sendRequest('textDocument/completion',
    { textDocument: { uri }, position: { line: 0, character: 11 } });
  const shift = list.items.find((item) => item.label === 'shift');
  assert.ok(shift, 'shift is offered');
  assert.match(shift.detail, /^key 44\b/);
  assert.deepEqual(shift.textEdit.range, { start: { line: 0, character: 9 }, end: { line: 0, character: 11 } });
  assert.equal(list.items.find((item) => item.label === 'a').detail, "key 31, types 'a'");
  // A line's first word: statement heads and options.
  const heads = await connection.sendRequest('textDocument/completion',
    { textDocument: { uri }, position: { line: 1, character: 0 } });
  assert.ok(heads.items.some((item) => item.label === 'in72|'));
  assert.ok(heads.items.some((item) => item.label === 'PREL:Y'));
});

test('hover: what the device receives for an entry', async (t) => {
  const { connection, open } = await start(t);
  await open(misspelt);
  const onC = await connection.sendRequest('textDocument/hover', { textDocument: { uri }, position: { line: 1, character: 16 } });
  assert.equal(onC.contents.kind, 'markdown');
  assert.match(onC.contents.value, /receives key 48, types 'c': `0x00 0x30`/);
  assert.deepEqual(onC.range, { start: { line: 1, character: 14 }, end: { line: 1, character: 17 } });
  const onHead = await connection.sendRequest('textDocument/hover', { textDocument: { uri }, position: { line: 2, character: 1 } });
  assert.match(onHead.contents.value, /3 of the 32 entries it holds are used; 0 sent: entry 1 ends the sequence/);
});

test('symbols: each sequence and each option', async (t) => {
  const { connection, open } = await start(t);
  await open(misspelt);
  const symbols = await connection.sendRequest('textDocument/documentSymbol', { textDocument: { uri } });
  assert.deepEqual(symbols.map((s) => [s.name, s.range.start.line, s.selectionRange.end.character]),
                   [['in01:', 1, 5], ['in02:', 2, 5], ['PREL:Y', 3, 6]]);
});

test('encoding: UTF-8 when offered, else UTF-16, on a line with non-ASCII text', async (t) => {
  const text = '# ü\nin05:[a] ü😀 [shft]\n';
  const prefix = 'in05:[a] ü😀 [';
  const utf16 = await start(t);
  assert.equal(utf16.init.capabilities.positionEncoding, 'utf-16');
  const [a] = (await utf16.open(text)).filter((d) => d.severity === 2);
  assert.deepEqual(a.range.start, { line: 1, character: prefix.length });
  const utf8 = await start(t, ['utf-8', 'utf-16']);
  assert.equal(utf8.init.capabilities.positionEncoding, 'utf-8');
  const [b] = (await utf8.open(text)).filter((d) => d.severity === 2);
  assert.deepEqual(b.range.start, { line: 1, character: Buffer.byteLength(prefix) });
  assert.notEqual(prefix.length, Buffer.byteLength(prefix));
});

test('incremental change: an edit by range is checked and published', async (t) => {
  const { connection, open, diagnostics } = await start(t);
  assert.equal((await open('# ü😀\nin01:[a][b]\n')).length, 0);
  let published = diagnostics(uri);
  await connection.sendNotification('textDocument/didChange', {
    textDocument: { uri, version: 2 },
    contentChanges: [{ range: { start: { line: 1, character: 9 }, end: { line: 1, character: 10 } }, text: 'shft' }],
  });
  let result = await published;
  assert.equal(result.version, 2);
  assert.deepEqual(result.diagnostics[0].range.start, { line: 1, character: 9 });
  published = diagnostics(uri);
  await connection.sendNotification('textDocument/didChange', {
    textDocument: { uri, version: 3 },
    contentChanges: [{ range: { start: { line: 1, character: 11 }, end: { line: 1, character: 11 } }, text: 'i' },
                     { range: { start: { line: 0, character: 5 }, end: { line: 0, character: 5 } }, text: '!' }],
  });
  result = await published;
  assert.equal(result.version, 3);
  assert.deepEqual(result.diagnostics, []);
});

test('lifecycle: shutdown then exit ends the server with status 0', async (t) => {
  const { connection, exited } = await start(t);
  assert.equal(await connection.sendRequest('shutdown'), null);
  await connection.sendNotification('exit');
  assert.equal(await exited, 0);
});
