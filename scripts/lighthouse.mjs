// SPDX-License-Identifier: MIT
// Lighthouse (scripts/lighthouse/package.json pins the version; `scripts/deps.sh lighthouse`
// installs it) on the built page, served on 127.0.0.1 as
// scripts/web.sh serves it: the four scores on the simulated phone (Lighthouse's default) and
// on the desktop, with the timings and the findings behind the performance score. A
// measurement, not a test: the phone's figures move with the machine's load, so each form
// factor is run RUNS times (default 3) and the run of median performance is printed.
//   CHROME_PATH=/usr/bin/chromium node scripts/lighthouse.mjs build/web/site [RUNS]
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';

const here = dirname(fileURLToPath(import.meta.url));
const require = createRequire(join(here, 'lighthouse/package.json'));
const { default: lighthouse } = await import(require.resolve('lighthouse'));
const { launch } = await import(require.resolve('chrome-launcher'));
const { default: desktop } = await import(require.resolve('lighthouse/core/config/desktop-config.js'));
const { serve } = await import(join(here, '../web/serve.mjs'));

const [site, runs = '3'] = process.argv.slice(2);
const server = await serve(site);
const url = `http://127.0.0.1:${server.port}/`;
const chrome = await launch({
  chromePath: process.env.CHROME_PATH || '/usr/bin/chromium',
  chromeFlags: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
                '--disable-sync', '--no-first-run'],
});
const ms = (audit) => `${(audit.numericValue / 1000).toFixed(2)} s`;
try {
  for (const [name, config] of [['phone', undefined], ['desktop', desktop]]) {
    const results = [];
    for (let i = 0; i < Number(runs); i++) {
      const { lhr } = await lighthouse(url, { port: chrome.port, output: 'json', logLevel: 'error' }, config);
      results.push(lhr);
    }
    results.sort((a, b) => a.categories.performance.score - b.categories.performance.score);
    const lhr = results[Math.floor(results.length / 2)];
    const a = lhr.audits;
    const scores = Object.values(lhr.categories).map((c) => `${c.title} ${Math.round(c.score * 100)}`).join(', ');
    console.log(`${name}: ${scores} (performance of the ${results.length} runs: ${results.map((r) => Math.round(r.categories.performance.score * 100)).join(' ')})`);
    console.log(`  first paint ${ms(a['first-contentful-paint'])}, largest paint ${ms(a['largest-contentful-paint'])}, speed index ${ms(a['speed-index'])}, ` +
                `blocking ${a['total-blocking-time'].numericValue.toFixed(0)} ms, layout shift ${a['cumulative-layout-shift'].numericValue.toFixed(3)}`);
    // What lowers a score: every audit that did not pass, with what it says it would save.
    const failed = Object.values(a).filter((audit) => audit.scoreDisplayMode === 'error').map((audit) => audit.id);
    if (failed.length) console.log(`  not measured with this browser: ${failed.join(', ')}`);
    for (const audit of Object.values(a)) {
      const saves = audit.metricSavings && Object.values(audit.metricSavings).some((v) => v > 0);
      if (!saves && (audit.score === null || audit.score >= 0.9 || audit.scoreDisplayMode === 'informative')) continue;
      const items = (audit.details?.items ?? []).slice(0, 4).map((i) => i.url?.replace(url, '') ?? i.node?.selector ?? i.group ?? '').filter(Boolean);
      console.log(`  ${audit.id}: ${audit.displayValue ?? audit.title}${items.length ? ` (${items.join(', ')})` : ''}`);
    }
  }
} finally {
  await chrome.kill();
  server.close();
}
