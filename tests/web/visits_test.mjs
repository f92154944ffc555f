// SPDX-License-Identifier: MIT
// The page across visits in headless Chromium: offline after one visit, installable, a new build
// taken on the user's word, work kept, links and the key tester. Case tables in cases.json.
// node --test visits_test.mjs with PYLO_SITE (the built page; a copy of it is served).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { cpSync, mkdtempSync, appendFileSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { deflateRawSync } from 'node:zlib';
import { join } from 'node:path';
import { root, require, chromium, serve, cases, chromiumOptions, ready, withDevice, lastSaved } from './page_kit.mjs';

const { writeServiceWorker } = await import(join(root, 'web/sw_build.mjs'));
const site = mkdtempSync(join(tmpdir(), 'pylo-site-'));
let server, browser, url;

before(async () => {
  cpSync(process.env.PYLO_SITE, site, { recursive: true });  // the new-build test rewrites it
  server = await serve(site);
  url = `http://127.0.0.1:${server.port}/`;
  browser = await chromium.launch(chromiumOptions);
});
after(async () => { await browser?.close(); server?.close(); rmSync(site, { recursive: true, force: true }); });

// A page in a context of its own (storage, service worker), with the fake device.
const visit = async (context, address = url) => withDevice(await context.newPage(), address);
const saved = async (p) => (await p.click('#save'), lastSaved(p));
const openFile = (p, name, bytes) => p.setInputFiles('#file', { name, mimeType: 'text/plain', buffer: Buffer.from(bytes) });
const typeAtEnd = async (p, text) => { await p.click('.cm-content'); await p.keyboard.press('Control+End'); await p.keyboard.type(text); };
const statusIs = (p, re) => p.waitForFunction((s) => new RegExp(s).test(document.querySelector('#status-text').textContent), re.source);

test('after one visit the page installs, loads and uploads offline, and takes a new build only on the user\'s word', async () => {
  // A persistent profile: Chromium does not install apps from a private one.
  const profile = mkdtempSync(join(tmpdir(), 'pylo-profile-'));
  const context = await chromium.launchPersistentContext(profile, chromiumOptions);
  const p = await visit(context);
  await p.evaluate(() => Promise.race([navigator.serviceWorker.ready,
    new Promise((_, fail) => setTimeout(() => fail(new Error('no service worker in 20 s')), 20000))]));
  const cdp = await context.newCDPSession(p);
  assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);
  await context.setOffline(true);
  await p.reload();
  await ready(p);
  await p.click('#upload');
  await p.waitForSelector('body[data-outcome]', { state: 'attached' });
  assert.equal(await p.textContent('#status-text'), 'Configuration complete');
  await context.setOffline(false);

  // A new build on the server: the running pages keep their own files until Reload is pressed
  // in one of them; the other's Reload then still works.
  const other = await visit(context);
  appendFileSync(join(site, 'app.js'), '\n/* build 2 */\n');
  await writeServiceWorker(site);
  const appJs = (tab = p) => tab.evaluate(() => fetch('app.js').then((r) => r.text()));
  await p.evaluate(() => navigator.serviceWorker.getRegistration().then((r) => r.update()));
  await p.waitForSelector('#update', { state: 'visible' });
  assert.ok(!(await appJs()).includes('build 2'), 'the old build\'s files until Reload');
  await Promise.all([p.waitForEvent('load'), p.click('#update-reload')]);
  await ready(p);
  assert.ok((await appJs()).includes('build 2'), 'the new build\'s files after it');
  await Promise.all([other.waitForEvent('load'), other.click('#update-reload')]);
  await ready(other);
  assert.ok((await appJs(other)).includes('build 2'), 'the other tab too');
  await context.close();
  rmSync(profile, { recursive: true, force: true });
});

test('work is kept across reloads and beside another tab; where it cannot be kept the page says so', async () => {
  const context = await browser.newContext();
  const p = await visit(context);
  await openFile(p, 'mine.txt', 'in01:[a]\n');
  await typeAtEnd(p, 'in02:[b]\n');
  const other = await visit(context);  // a second tab starts on the example and keeps its own work
  assert.equal(await other.textContent('#file-name'), 'keys.txt');
  await typeAtEnd(other, 'in03:[c]\n');
  await p.reload();
  await ready(p);
  assert.match(await p.textContent('#restored-text'), /^Restored mine\.txt as you left it on .+, with changes not saved to a file\.$/);
  assert.equal((await saved(p)).toString(), 'in01:[a]\nin02:[b]\n');
  await p.click('#restart');
  assert.equal(await p.textContent('#file-name'), 'keys.txt');
  assert.deepEqual(await saved(p), readFileSync(join(site, 'keys.txt')));
  assert.ok((await saved(other)).toString().endsWith('in03:[c]\n'));
  assert.equal(await p.isVisible('#not-kept'), false);
  await context.close();

  const full = await browser.newContext();
  await full.addInitScript(() => { Storage.prototype.setItem = () => { throw new DOMException('full', 'QuotaExceededError'); }; });
  const q = await visit(full);
  assert.equal(await q.isVisible('#not-kept'), true);
  await typeAtEnd(q, 'in04:[d]\n');
  assert.ok((await saved(q)).toString().endsWith('in04:[d]\n'), 'the page still edits');
  await full.close();
});

test('kept work is never lost unasked: slots open tabs hold stay, work the page cannot open waits for the user', async () => {
  const context = await browser.newContext();
  // Another tab of the site: twelve slots, the two oldest and the newest held, as open tabs hold theirs.
  const other = await context.newPage();
  await other.goto(url + 'keys.txt');
  const slot = (i) => `pyloload.work.s${String(i).padStart(2, '0')}`;
  const slots = (tab) => tab.evaluate(() => Object.keys(localStorage).filter((k) => k.startsWith('pyloload.work.')).sort());
  await other.evaluate(({ names, held }) => {
    names.forEach((n, i) => localStorage.setItem(n, JSON.stringify({ name: `${i}.txt`, saved: false, time: 1000 + i, text: `in01:[${i}]\n` })));
    for (const n of held) navigator.locks.request(n, () => new Promise(() => {}));
  }, { names: Array.from({ length: 12 }, (_, i) => slot(i)), held: [0, 1, 11].map(slot) });
  const p = await visit(context);  // takes the newest free slot (10); of the others, the oldest past eight go unless held
  assert.equal(await p.textContent('#file-name'), '10.txt');
  assert.deepEqual(await slots(p), Array.from({ length: 12 }, (_, i) => slot(i)).filter((n) => n !== slot(2) && n !== slot(3)));
  await p.close();

  // Kept work the page refuses (binary, or over 1 MB) is not opened, nor written over: it waits
  // for Save or Drop, and this tab's work is kept beside it.
  const binary = 'in01:[a]\n' + '\x01'.repeat(40);
  await other.evaluate((text) => { localStorage.clear(); localStorage.setItem('pyloload.work.big', JSON.stringify({ name: 'big.txt', saved: false, time: Date.now(), text })); }, binary);
  const q = await visit(context);
  assert.match(await q.textContent('#refused-text'), /^Your work on big\.txt, kept on .+, was not opened\. This is a binary file.+ It stays kept until you save it to a file or drop it\.$/);
  assert.equal(await q.textContent('#file-name'), 'keys.txt');
  await typeAtEnd(q, 'in05:[e]\n');
  await q.evaluate(() => new Promise((resolve) => setTimeout(resolve, 400)));  // the write after an edit
  const kept = await q.evaluate(() => Object.fromEntries(Object.entries(localStorage).map(([k, v]) => [k, JSON.parse(v).text])));
  assert.equal(kept['pyloload.work.big'], binary);
  assert.ok(Object.values(kept).some((text) => text.endsWith('in05:[e]\n')), 'this tab\'s work beside it');
  await q.click('#refused-save');
  assert.equal((await lastSaved(q)).toString('latin1'), binary);
  await q.click('#refused-drop');
  assert.equal(await q.isVisible('#refused'), false);
  assert.equal(await q.evaluate(() => localStorage.getItem('pyloload.work.big')), null);
  await context.close();
});

test('a link carries every byte value 1 … 255; a damaged link is refused and replaces nothing', async () => {
  const context = await browser.newContext({ permissions: ['clipboard-read', 'clipboard-write'] });
  const bytes = Buffer.concat([Buffer.from('# '), Buffer.from(Array.from({ length: 255 }, (_, i) => i + 1)),
                               Buffer.from('\r\n' + 'in01:[a]\n'.repeat(40))]);
  const p = await visit(context);
  await openFile(p, 'all.txt', bytes);
  await p.click('#share');
  await statusIs(p, /^Link copied/);
  const link = await p.evaluate(() => navigator.clipboard.readText());
  const q = await visit(await browser.newContext(), link);
  assert.deepEqual(await saved(q), bytes);
  assert.equal(await q.textContent('#file-name'), 'all.txt');
  assert.equal(q.url(), url, 'the fragment is cleared once opened');

  await typeAtEnd(q, '# mine\n');
  const mineKept = async (label) => assert.ok((await q.textContent('.cm-content')).includes('# mine'), label);
  const follow = (h) => q.evaluate((h) => { document.querySelector('#status-text').textContent = ''; location.hash = h; }, h);
  const data = /pylo=([^&]*)/.exec(link)[1];
  const damaged = { cut: data.slice(0, -9), flip: data.slice(0, 40) + (data[40] === 'A' ? 'B' : 'A') + data.slice(41),
                    junk: data.slice(0, 20) + '%21' + data.slice(20), long: data + 'A'.repeat(32000),
                    // whole deflate-raw, but the bytes do not match their check
                    unchecked: deflateRawSync(Buffer.concat([bytes, Buffer.alloc(4)])).toString('base64url') };
  for (const [label, how, message] of cases.links) {
    await follow(link.replace(data, damaged[how]).replace(/^[^#]*/, ''));
    await statusIs(q, new RegExp(message));
    await mineKept(label);
  }
  // A good link over unsaved work asks first: refused, the work stays; accepted, the link opens.
  q.once('dialog', (d) => d.dismiss());
  await follow(link.replace(/^[^#]*/, ''));
  await statusIs(q, /was not opened/);
  await mineKept('link refused');
  q.once('dialog', (d) => d.accept());
  await follow(link.replace(/^[^#]*/, ''));
  await q.waitForFunction(() => !document.querySelector('.cm-content').textContent.includes('# mine'));
  assert.deepEqual(await saved(q), bytes);
  await context.close();
});

test('the key tester marks the inputs whose keys arrive, and says which it cannot tell apart or test', async () => {
  const { config, presses, marks, summary } = cases.tester;
  const context = await browser.newContext();
  const p = await visit(context);
  await p.setViewportSize({ width: 1280, height: 800 });
  await openFile(p, 'panel.txt', config);
  await p.click('#test-keys');
  for (const [n, keys] of presses.entries()) {
    for (const key of keys) await p.keyboard.press(key);
    await p.waitForFunction((rows) => document.querySelectorAll('.tester-log li').length === rows, n + 1);
  }
  assert.equal(await p.isVisible('#tester'), true, 'Tab and Escape went to the tester');
  const got = Object.fromEntries(await p.$$eval('.tester-grid li', (lis) => lis.map((li) => [li.dataset.input, li.className.split(' ')[1]])));
  const want = Object.fromEntries(Object.keys(got).map((n) => [n, marks[n] || 'unused']));
  assert.deepEqual(got, want);
  assert.equal(await p.textContent('.tester-summary'), summary);
  await p.addScriptTag({ path: require.resolve('axe-core/axe.min.js') });
  assert.deepEqual(await p.evaluate(async () => (await window.axe.run(document)).violations.map((v) => [v.id, v.nodes[0].html])), []);
  if (process.env.PYLO_SHOT) await p.screenshot({ path: process.env.PYLO_SHOT });  // docs/ and the README
  await p.click('.tester-done');
  assert.equal(await p.isVisible('#tester'), false);
  await context.close();
});
