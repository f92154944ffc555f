// SPDX-License-Identifier: MIT
// Bundles the page's modules with CodeMirror into one script and copies the static files:
// node build.mjs OUT_DIR EXAMPLE_FILE. The WebAssembly glue (pylo.js) is built beside it by emcc
// first: the service worker written last precaches every file of the folder.
import { build } from 'esbuild';
import { copyFileSync, cpSync, mkdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { writeServiceWorker } from './sw_build.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const [out, example] = process.argv.slice(2);
mkdirSync(out, { recursive: true });
await build({
  entryPoints: { app: join(here, 'src/main.js'), check_worker: join(here, 'src/check_worker.js') },
  bundle: true,
  format: 'esm',
  target: 'es2022',
  minify: true,
  external: ['./pylo.js'],
  outdir: out,
  logLevel: 'warning',
});
for (const f of ['index.html', 'style.css', 'tester.css', 'manifest.webmanifest']) copyFileSync(join(here, f), join(out, f));
// The icons as drawn (the SVG is their source, not part of the site).
cpSync(join(here, 'icons'), join(out, 'icons'), { recursive: true, filter: (f) => !f.endsWith('.svg') });
copyFileSync(example, join(out, 'keys.txt'));
await writeServiceWorker(out);
