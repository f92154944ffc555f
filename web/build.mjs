// SPDX-License-Identifier: MIT
// Bundles the page's modules with CodeMirror and copies the static files: node build.mjs OUT_DIR
// EXAMPLE_FILE. app.js and the chunk it shares with what the page imports later (later.js:
// completion, the upload, the key tester) are what the first paint needs; the checker's worker
// is a script of its own. The WebAssembly glue (pylo.js) is built beside them by emcc first: the
// service worker written last precaches every file of the folder.
import { build } from 'esbuild';
import { copyFileSync, cpSync, mkdirSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { basename, dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { writeServiceWorker } from './sw_build.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const [out, example] = process.argv.slice(2);
mkdirSync(out, { recursive: true });
// The chunks of an earlier build go: the service worker would keep them.
for (const f of readdirSync(out)) if (/-[A-Z0-9]{8}\.js$/.test(f)) rmSync(join(out, f));
const options = { bundle: true, format: 'esm', target: 'es2022', minify: true, external: ['./pylo.js'], outdir: out, logLevel: 'warning' };
await build({ ...options, entryPoints: { check_worker: join(here, 'src/check_worker.js') } });
const { metafile } = await build({
  ...options,
  entryPoints: { app: join(here, 'src/main.js') },
  splitting: true,
  chunkNames: '[name]-[hash]',  // beside pylo.js, which they import as ./pylo.js
  metafile: true,
});
for (const f of ['tester.css', 'manifest.webmanifest']) copyFileSync(join(here, f), join(out, f));
// The page's style is in the page, so that the first paint waits for no other file; the chunks
// app.js imports are fetched beside it, not after it.
const app = Object.values(metafile.outputs).find((o) => o.entryPoint?.endsWith('src/main.js'));
const preloads = app.imports.filter((i) => i.kind === 'import-statement' && !i.external)
  .map((i) => `<link rel="modulepreload" href="${basename(i.path)}" fetchpriority="low">\n`).join('');
const style = readFileSync(join(here, 'style.css'), 'utf8').replace(/^\/\* SPDX[^\n]*\n/, '');
writeFileSync(join(out, 'index.html'), readFileSync(join(here, 'index.html'), 'utf8')
  .replace('<link rel="stylesheet" href="style.css">', () => `<style>\n${style}</style>`)
  .replace('<script type="module" src="app.js"', preloads + '$&'));
rmSync(join(out, 'style.css'), { force: true });  // of an earlier build
// The icons as drawn (the SVG is their source, not part of the site).
cpSync(join(here, 'icons'), join(out, 'icons'), { recursive: true, filter: (f) => !f.endsWith('.svg') });
copyFileSync(example, join(out, 'keys.txt'));
await writeServiceWorker(out);
