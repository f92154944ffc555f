// SPDX-License-Identifier: MIT
// The VS Code grammar tokenizes the example and a file of every construct to their golden token
// lists: a line, then one row per token with its text and scopes. node --test grammar_test.mjs;
// PYLO_UPDATE_GOLDEN=1 rewrites the .tokens files (review the diff before committing).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';

const here = import.meta.dirname;
const root = join(here, '../..');
const extension = join(root, 'editors/vscode');
const require = createRequire(join(extension, 'package.json'));
const textmate = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const wasm = readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
const manifest = JSON.parse(readFileSync(join(extension, 'package.json'), 'utf8'));
const contributed = manifest.contributes.grammars.find((g) => g.language === 'pylo');
const registry = new textmate.Registry({
  onigLib: Promise.resolve({ createOnigScanner: (p) => new oniguruma.OnigScanner(p), createOnigString: (s) => new oniguruma.OnigString(s) }),
  loadGrammar: async (scope) => scope === contributed.scopeName
    ? textmate.parseRawGrammar(readFileSync(join(extension, contributed.path), 'utf8'), contributed.path) : null,
});
const grammar = await registry.loadGrammar(contributed.scopeName);

function tokens(text) {
  let state = textmate.INITIAL;
  const out = [];
  for (const line of text.replace(/\n$/, '').split('\n')) {
    const result = grammar.tokenizeLine(line, state);
    out.push(line);
    for (const t of result.tokens) {
      const scopes = t.scopes.slice(1).join(' ');  // all under source.pylo
      out.push(`  ${JSON.stringify(line.slice(t.startIndex, t.endIndex))} ${scopes || '-'}`);
    }
    state = result.ruleStack;
  }
  return out.join('\n') + '\n';
}

for (const [file, golden] of [[join(root, 'examples/keys.txt'), 'keys.tokens'], [join(here, 'constructs.pylo'), 'constructs.tokens']]) {
  test(`${golden} from ${file.slice(root.length + 1)}`, () => {
    const got = tokens(readFileSync(file, 'utf8'));
    if (process.env.PYLO_UPDATE_GOLDEN) writeFileSync(join(here, golden), got);
    assert.equal(got, readFileSync(join(here, golden), 'utf8'), golden);
  });
}
