// SPDX-License-Identifier: MIT
// The VS Code extension as scripts/package.sh packs it: dist/pyloload-VERSION.vsix holds the
// manifest, the grammar and language settings the repository holds, the notices, and a client
// that starts `pylocheck --lsp` (or the program the pylo.server.path setting names).
// node --test vsix_test.mjs with PYLO_DIST (package.sh's dist/) and PYLO_VERSION.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const version = process.env.PYLO_VERSION;
const vsix = join(process.env.PYLO_DIST, `pyloload-${version}.vsix`);
const out = mkdtempSync(join(tmpdir(), 'pylo-vsix-'));
const read = (file) => readFileSync(file, 'utf8');
const packed = (name) => join(out, 'extension', name);
let manifest;

before(() => {
  assert.ok(existsSync(vsix), `${vsix} is missing: scripts/package.sh vsix makes it`);
  execFileSync('python3', ['-m', 'zipfile', '-e', vsix, out]);
  manifest = JSON.parse(read(packed('package.json')));
});
after(() => rmSync(out, { recursive: true, force: true }));

test('the manifest names the version, the language and its files, and the server setting', () => {
  assert.equal(manifest.version, version);
  assert.match(read(join(out, 'extension.vsixmanifest')), new RegExp(`<Identity [^>]*Version="${version}"`));
  const { languages: [language], grammars: [grammar], configuration } = manifest.contributes;
  assert.deepEqual([language.id, language.extensions, grammar.language], ['pylo', ['.pylo'], 'pylo']);
  assert.ok(manifest.activationEvents.includes('onLanguage:pylo'));
  assert.equal(configuration.properties['pylo.server.path'].default, 'pylocheck');
  // The grammar the grammar test tokenizes, and the comment and bracket settings.
  for (const file of [grammar.path, language.configuration]) {
    assert.equal(read(packed(file)), read(join(import.meta.dirname, '../../editors/vscode', file)), file);
  }
  assert.equal(JSON.parse(read(packed(grammar.path))).scopeName, grammar.scopeName);
  const settings = JSON.parse(read(packed(language.configuration)));
  assert.deepEqual([settings.comments.lineComment, settings.brackets], ['#', [['[', ']']]]);
  assert.match(read(packed('THIRD-PARTY-NOTICES.txt')), /vscode-languageclient 9\.[\s\S]*Permission is hereby granted/);
});

// The packed client, activated with the few parts of VS Code it touches before it starts the
// server, on a PATH where no pylocheck is found (as on a machine without pyloload): each start
// is recorded, and fails as it would there.
test('the client starts pylocheck --lsp, and the program pylo.server.path names when it changes', async () => {
  const settings = {};
  const listeners = [];
  const started = [];
  const ignore = new Proxy(function () {}, { get: (_, key) => (key === 'then' ? undefined : ignore), apply: () => ignore });
  const tolerant = (known) => new Proxy(known, { get: (target, key) => target[key] ?? ignore });
  const vscode = tolerant({
    version: '1.82.0',
    workspace: tolerant({
      getConfiguration: (section) => ({ get: (key) => settings[`${section}.${key}`] }),
      onDidChangeConfiguration: (listener) => listeners.push(listener),
    }),
  });
  const require = createRequire(packed('package.json'));
  const Module = require('node:module');
  const childProcess = require('node:child_process');
  const { _load: load } = Module;
  const { spawn } = childProcess;
  const path = process.env.PATH;
  Module._load = function (request, ...rest) { return request === 'vscode' ? vscode : load.call(this, request, ...rest); };
  childProcess.spawn = (command, args, options) => (started.push([command, args]), spawn(command, args, options));
  process.env.PATH = out;
  const until = async (count) => {
    for (let i = 0; i < 200 && started.length < count; ++i) await new Promise((done) => setTimeout(done, 50));
  };
  try {
    require(packed(manifest.main)).activate({ subscriptions: [] });
    await until(1);
    assert.deepEqual(started, [['pylocheck', ['--lsp']]]);
    settings['pylo.server.path'] = '/opt/pyloload/bin/pylocheck';
    for (const listener of listeners) listener({ affectsConfiguration: (section) => section === 'pylo.server.path' });
    await until(2);
    assert.deepEqual(started, [['pylocheck', ['--lsp']], ['/opt/pyloload/bin/pylocheck', ['--lsp']]]);
  } finally {
    Module._load = load;
    childProcess.spawn = spawn;
    process.env.PATH = path;
  }
});
