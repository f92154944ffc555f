// SPDX-License-Identifier: MIT
// Lays out the extension as it goes into the .vsix: node build.mjs OUT_DIR VERSION LICENSE_FILE.
// The client is bundled with vscode-languageclient into out/extension.js, so the package holds
// no node_modules; the manifest gets the version and loses what only the build needs; the
// notices of every bundled package go beside it.
import { build } from 'esbuild';
import { spawnSync } from 'node:child_process';
import { copyFileSync, cpSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
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
const heading = 'Third-party notices for the PYLO configuration extension\n\nout/extension.js bundles these packages ' +
  '(the extension itself is under the MIT licence, see LICENSE):\n';
const notices = spawnSync('python3', [join(here, '../../scripts/notices.py'), '--bundled', join(here, 'node_modules'), heading,
                                      ...packages], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'inherit'] });
if (notices.status !== 0) process.exit(1);
writeFileSync(join(out, 'THIRD-PARTY-NOTICES.txt'), notices.stdout);
