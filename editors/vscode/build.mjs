// SPDX-License-Identifier: MIT
// Lays out the extension as it goes into the .vsix: node build.mjs OUT_DIR VERSION LICENSE_FILE.
// The client is bundled with vscode-languageclient into out/extension.js, so the package holds
// no node_modules; the manifest gets the version and loses what only the build needs; the
// notices of every bundled package go beside it.
import { build } from 'esbuild';
import { copyFileSync, cpSync, mkdirSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const [out, version, license] = process.argv.slice(2);
if (!out || !version || !license) {
  console.error('usage: node build.mjs OUT_DIR VERSION LICENSE_FILE');
  process.exit(2);
}
rmSync(out, { recursive: true, force: true });
mkdirSync(out, { recursive: true });

const { metafile } = await build({
  entryPoints: [join(here, 'src/extension.js')],
  outfile: join(out, 'out/extension.js'),
  absWorkingDir: here,
  bundle: true,
  platform: 'node',
  format: 'cjs',
  target: 'node18',
  external: ['vscode'],
  minify: true,
  legalComments: 'none',  // the licences are in THIRD-PARTY-NOTICES.txt
  metafile: true,
  logLevel: 'warning',
});

const manifest = JSON.parse(readFileSync(join(here, 'package.json'), 'utf8'));
manifest.version = version;
for (const key of ['private', 'dependencies', 'devDependencies']) delete manifest[key];
writeFileSync(join(out, 'package.json'), JSON.stringify(manifest, null, 2) + '\n');
copyFileSync(join(here, 'language-configuration.json'), join(out, 'language-configuration.json'));
copyFileSync(join(here, 'README.md'), join(out, 'README.md'));
cpSync(join(here, 'syntaxes'), join(out, 'syntaxes'), { recursive: true });
copyFileSync(license, join(out, 'LICENSE'));

// The packages whose code esbuild took in, each with the licence file it ships.
const packages = new Set();
for (const input of Object.keys(metafile.inputs)) {
  const m = input.match(/.*node_modules\/((?:@[^/]+\/)?[^/]+)\//);
  if (m) packages.add(m[1]);
}
let notices = 'Third-party notices for the PYLO configuration extension\n\nout/extension.js bundles these packages ' +
  '(the extension itself is under the MIT licence, see LICENSE):\n\n';
const sorted = [...packages].sort();
const info = sorted.map((name) => JSON.parse(readFileSync(join(here, 'node_modules', name, 'package.json'), 'utf8')));
notices += info.map((p) => `  ${p.name} ${p.version} (${p.license})\n`).join('');
for (const name of sorted) {
  const folder = join(here, 'node_modules', name);
  const text = readdirSync(folder).sort().find((f) => /^(licen[cs]e|copying)/i.test(f));
  if (!text) {
    console.error(`build.mjs: ${name} has no licence file`);
    process.exit(1);
  }
  notices += `\n\n${name}\n${'='.repeat(name.length)}\n\n${readFileSync(join(folder, text), 'utf8').trim()}\n`;
}
writeFileSync(join(out, 'THIRD-PARTY-NOTICES.txt'), notices);
