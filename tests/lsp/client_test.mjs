// SPDX-License-Identifier: MIT
// pylocheck --lsp driven by vscode-jsonrpc, the library VS Code's own client is built on: what the
// golden sessions (lsp_test.cpp) cannot show, a client of its own framing and ids, and the round
// trip of a misspelt key through its quick fix to the image.
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
async function start(t) {
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
  await connection.sendRequest('initialize', { processId: process.pid, rootUri: null, capabilities: {} });
  await connection.sendNotification('initialized', {});
  return {
    connection, exited,
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

test('completion: a line\'s first word offers the statement heads and options', async (t) => {
  const { connection, open } = await start(t);
  await open('in03:[a]\n');
  const heads = await connection.sendRequest('textDocument/completion',
    { textDocument: { uri }, position: { line: 1, character: 0 } });
  assert.ok(heads.items.some((item) => item.label === 'in72|'));
  assert.ok(heads.items.some((item) => item.label === 'PREL:Y'));
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
