// SPDX-License-Identifier: MIT
// The page in headless Chromium against pylocheck, the upload plan and a fake device on a paced
// line (fake_serial.js); case tables in cases.json.
// node --test web_test.mjs with PYLO_SITE (the built page), PYLO_BIN (the build directory), and
// PYLO_SHOT=docs/web-page.png to take the screenshots of docs/ (1400 x 900 and 390 x 844).
import { test as nodeTest, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync, rmSync } from 'node:fs';
import { join } from 'node:path';
import { root, require, chromium, serve, cases, chromiumOptions, load, withDevice, lastSaved } from './page_kit.mjs';

const { outputFiles: [modules] } = await require('esbuild').build({
  stdin: { contents: "export * from './wasm.js'; export * from './keys.js'; export { statementText } from './seqedit.js';",
           resolveDir: join(root, 'web/src') },
  bundle: true, format: 'esm', external: ['./pylo.js'], write: false, logLevel: 'warning' });

const BIN = process.env.PYLO_BIN, work = mkdtempSync(join(BIN, 'web-test-'));
const tools = { check: join(BIN, 'tools/check/pylocheck') };
const keysTxt = readFileSync(join(root, 'examples/keys.txt'));
let server, browser, page;
// PYLO_WEB_HALF=uploads runs the uploads, which the paced line makes long; =editing the rest.
const half = process.env.PYLO_WEB_HALF;
const test = (name, fn) => nodeTest(name, { skip: !!half && /upload|reply|outcomes/.test(name) !== (half === 'uploads') }, fn);

// A file of a case table: its text, null for examples/keys.txt, or the seed of a random
// configuration of the vocabulary in cases.json.
function randomConfig(seed) {
  let s = seed;
  const rnd = () => { s = (Math.imul(s, 1103515245) + 12345) >>> 0; return s / 4294967296; };
  const pick = (a) => a[Math.floor(rnd() * a.length)], { options, keys, enders, raws, junk } = cases.random;
  const lines = options.filter(() => rnd() < 0.4);
  if (rnd() < 0.6) lines.push('MSET:' + Math.floor(rnd() * 4));
  for (let i = 10 + Math.floor(rnd() * 80); i > 0; i--) {
    if (rnd() < 0.06) { lines.push(pick(junk)); continue; }
    const raw = rnd() < 0.12, n = Math.floor(rnd() * 38);
    let text = 'in' + String(1 + Math.floor(rnd() * 72)).padStart(2, '0') + (rnd() < 0.65 ? ':' : '|') +
               (rnd() < 0.2 ? '<R>' : '') + (raw ? '<S>' : '');
    for (let k = 0; k < n; k++) text += '[' + (raw ? pick(raws) : rnd() < 0.04 ? pick(enders) : pick(keys)) + ']';
    lines.push(text);
  }
  const eol = rnd() < 0.3 ? '\r\n' : '\n';
  return Buffer.from(lines.join(eol) + eol, 'latin1');
}

// Thousands of messages: checks of this text are slow, and go to the worker.
const slowText = Array.from({ length: 720 }, (_, i) => `in${String(i % 72 + 1).padStart(2, '0')}:` + '[shfit]'.repeat(32)).join('\n');
const bytesOf = (f) => (f === null ? keysTxt : typeof f === 'number' ? randomConfig(f) : Buffer.from(f, 'latin1'));

before(async () => {
  server = await serve(process.env.PYLO_SITE);
  browser = await chromium.launch(chromiumOptions);
  page = await withDevice(await browser.newPage({ viewport: { width: 1400, height: 900 } }), `http://127.0.0.1:${server.port}/`);
  if (process.env.PYLO_SHOT) {  // the screenshot of docs/ and the README, on the fresh page
    await openInPage(page, 'keys.txt', Buffer.from(keysTxt.toString('latin1').replace('in10:[f]', 'in10:[(+)ctrl][shfit][c]'), 'latin1'));
    await page.click('#messages li');
    await page.screenshot({ path: process.env.PYLO_SHOT });
    await page.setViewportSize({ width: 390, height: 844 });  // and on a phone: NAME-phone.png
    await page.screenshot({ path: process.env.PYLO_SHOT.replace(/\.png$/, '-phone.png') });
    await page.setViewportSize({ width: 1400, height: 900 });
  }
  await page.evaluate(async (code) => {  // window.__modules: the page's modules, for the tests that call them
    const url = URL.createObjectURL(new Blob([code.replaceAll('"./pylo.js"', `"${location.origin}/pylo.js"`)], { type: 'text/javascript' }));
    await (window.__modules = import(url)).then((t) => t.loadCompiler());
  }, modules.text);
});

after(async () => { await browser?.close(); server?.close(); rmSync(work, { recursive: true, force: true }); });

const run = (cmd, args, input = '') => spawnSync(cmd, args, { input, encoding: 'latin1' });
const file = (name, bytes) => { writeFileSync(join(work, name), bytes); return join(work, name); };
const pylocheckImage = (path) => (assert.equal(run(tools.check, ['--image', file('expected.bin', ''), path]).status, 0),
                                  readFileSync(join(work, 'expected.bin')));
// pylocheck's messages as the page lists them: line:column, severity, text; then how many more.
const pylocheckMessages = (bytes) => [...run(tools.check, [file('check.txt', bytes)]).stdout
  .matchAll(/^[^:\n]+:(?:(\d+):(\d+): (warning|note): (.*)|( \d+ more warnings and notes are not shown))$/gm)]
  .map((m) => (m[5] ? m[5].slice(1) : `${m[1]}:${m[2]}${m[3]}${m[4]}`));

// What a screen reader hears from now on: each text of the live region, kept in window.__heard.
const listen = (p) => p.evaluate(() => {
  window.__heard = [];
  new MutationObserver(() => window.__heard.push(document.querySelector('#announce').textContent))
    .observe(document.querySelector('#announce'), { childList: true, characterData: true, subtree: true });
});
const openInPage = (p, name, bytes, mimeType = 'text/plain') => p.setInputFiles('#file', { name, mimeType, buffer: Buffer.from(bytes) });

// What a button hands the browser to save: the blob the page made (Chromium now and then drops a download).
const download = async (button) => (await page.evaluate(() => { window.__saved = null; }), await page.click(button), lastSaved(page));
// Clicks, key presses, typing, choices and the mouse over an element, of a case table, in order.
const act = async (p, steps) => { for (const [what, target, value] of steps) {
  await (what === 'press' ? p.keyboard.press(target) : what === 'type' ? p.keyboard.type(target)
         : what === 'select' ? p.selectOption(target, value) : what === 'hover' ? p.hover(target) : p.click(target));
} };
// A file opened, a click in its text, then the steps.
const inText = async (text, steps) => { await openInPage(page, 'assist.txt', bytesOf(text)); await act(page, [['click', '.cm-content'], ...steps]); };

// An upload from the page to the fake device with the faults given; `during` runs while it goes.
// Whatever happened, the port is closed again when the page shows the outcome.
async function pageUpload(faults, during = async () => {}) {
  await page.evaluate((f) => { window.__device.reset(f); delete document.body.dataset.outcome; }, faults);
  await page.click('#upload').then(during);
  await page.waitForSelector('body[data-outcome]', { state: 'attached' });
  assert.equal(await page.evaluate(() => window.__device.isOpen), false, `the port is closed after ${JSON.stringify(faults)}`);
  return { wire: await page.evaluate(() => window.__device.wire), words: await page.textContent('#status-text') };
}

// The bytes of the whole upload of a file, as the upload plan sends them to a device that
// answers every command, without the line's timing.
const planBytes = (bytes) => page.evaluate(async (bytes) => {
  const { compileForUpload, session } = await window.__modules;
  compileForUpload(Uint8Array.from(bytes));
  session.start();
  const sent = [];
  for (let step = session.step(-1); step.count > 0; step = session.step(0x21)) sent.push(...step.bytes);
  return sent;
}, [...bytes]);

test('a malformed address is refused and the server goes on', async () => {
  const base = `http://127.0.0.1:${server.port}`;
  const status = async (path) => (await fetch(base + path)).status;
  assert.deepEqual([await status('/%'), await status('/%zz'), await status('/')], [400, 400, 200]);
});

test('the image of every file equals pylocheck --image', async () => {
  for (const [name, bytes] of cases.images.map(([n, f]) => [n, bytesOf(f)])) {
    await openInPage(page, name, bytes);
    assert.deepEqual(await download('#save-image'), await pylocheckImage(file(name, bytes)), name);
    assert.deepEqual(await download('#save'), bytes, `${name} saved unchanged`);
  }
});

test('the page sends what the upload plan sends, and says what pyloload says', async () => {
  for (const [name, f, faults, sent, words] of cases.uploads) {
    await openInPage(page, name.replace(/ /g, '-') + '.txt', bytesOf(f));
    const whole = await planBytes(bytesOf(f));
    const want = sent === null ? whole : [...whole.slice(0, sent[0]), ...(sent[1] ? [0xed] : [])];
    const got = await pageUpload(faults);
    assert.deepEqual(got.wire, want, `${name}: wire bytes`);
    assert.equal(got.words, words, name);
  }
  assert.deepEqual(await page.evaluate(() => window.__device.openOptions), cases.openOptions);
});

test('outcomes only the page can meet: cancel, a failed write, a port in use', async () => {
  await openInPage(page, 'keys.txt', keysTxt);
  const full = (await pageUpload({})).wire;
  // Cancel while the device answers slowly: the upload stops after a whole command and sends
  // the closing byte, as pyloload does on Ctrl-C.
  const { wire, words } = await pageUpload({ delayMs: 4 }, async () => {
    await page.waitForFunction(() => /Sending input ([3-9]|\d\d)/.test(document.querySelector('#status-text').textContent));
    assert.match(await page.textContent('#status-text'), /Sending input \d+ of 72 · about \d+ s left/);
    await page.click('#cancel');
  });
  assert.deepEqual([words, wire.at(-1)], ['Upload interrupted', 0xed]);
  assert.ok(wire.length < full.length && (wire.length - 3) % 4 === 0, 'whole commands, then the closing byte');
  assert.deepEqual(wire.slice(0, -1), full.slice(0, wire.length - 1));
  // Cancel while the port takes nothing more: the stuck write is given up at once, long before
  // its time-out (3 s) would end it.
  let cancelled = 0;
  const stuck = await pageUpload({ stallAt: 101 }, async () => {
    await page.waitForFunction(() => window.__device.wire.length === 100);
    cancelled = Date.now();
    await page.click('#cancel');
  });
  assert.ok(Date.now() - cancelled < 2000, `Cancel took ${Date.now() - cancelled} ms`);
  assert.deepEqual([stuck.words, stuck.wire], ['Upload interrupted', full.slice(0, 100)]);
  for (const [faults, want] of cases.pageOutcomes) assert.equal((await pageUpload(faults)).words, want, JSON.stringify(faults));
});

test('the page waits for each reply as long as pyloload does', async () => {
  await openInPage(page, 'empty.txt', '# nothing\n');
  for (const [faults, want] of cases.replyWindow) assert.equal((await pageUpload(faults)).words, want, JSON.stringify(faults));
});

test('one upload at a time: keys, typing and drops during an upload change nothing', async () => {
  const text = '# nothing\n';
  await openInPage(page, 'empty.txt', text);
  const full = (await pageUpload({})).wire;
  // Replies after 20 ms: the upload lasts six seconds, far longer than the steps below.
  const { wire, words } = await pageUpload({ writeDelayMs: 20 }, async () => {
    await act(page, cases.duringUpload);
    await page.evaluate(() => {
      const drop = new DragEvent('drop', { dataTransfer: new DataTransfer(), cancelable: true });
      drop.dataTransfer.items.add(new File(['in01:[y]\n'], 'dropped.txt'));
      window.dispatchEvent(drop);
    });
    const leave = await page.evaluate(() => !window.dispatchEvent(new Event('beforeunload', { cancelable: true })));
    assert.ok(leave, 'leaving mid-upload asks first');
    assert.equal(await page.getAttribute('body', 'data-state'), 'uploading', 'all of it happened during the upload');
  });
  assert.deepEqual([words, wire], ['Configuration complete', full]);
  assert.equal((await download('#save')).toString('latin1'), text, 'the text is as it was');
  assert.equal(await page.isEnabled('#upload'), true, 'the page is free again');
});

// axe-core's violations on the page as it is now: rule, impact and the first elements. A
// control's name must hold its visible label (WCAG 2.5.3), a rule axe-core leaves off unasked.
const axeViolations = () => page.evaluate(async () => (await window.axe.run(document, { rules: { 'label-content-name-mismatch': { enabled: true } } })).violations
  .map((v) => `${v.id} (${v.impact}): ${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ')}`));

test('keyboard alone: the input editor records Tab, Enter and Space and can always be left', async () => {
  const { keys, saved } = cases.keyboard;
  await openInPage(page, 'empty.txt', '# nothing\n');
  await page.focus('.tile[data-input="3"]');
  for (const key of keys) await page.keyboard.press(key);
  assert.equal(await page.isVisible('#sequence-dialog'), false, 'the dialog is closed');
  assert.equal(await page.evaluate(() => document.activeElement.dataset.input), '3', 'focus is back on the tile');
  assert.equal((await download('#save')).toString('latin1'), saved);
  // A message reached by keyboard takes the cursor to its line.
  await openInPage(page, 'typo.txt', cases.diagnostics.texts[1]);
  await page.focus('#messages li:last-child button');
  await page.keyboard.press('Enter');
  assert.equal(await page.textContent('.cm-activeLine'), 'in03:[a] [b');
});

test('screen readers: no axe-core violation in seven states; progress is announced in steps', async () => {
  await page.addScriptTag({ path: require.resolve('axe-core/axe.min.js') });
  const found = {};
  await openInPage(page, 'empty.txt', '# nothing\n');
  found.fresh = await axeViolations();
  await page.click('.tile[data-input="1"]');
  found.dialog = await axeViolations();
  await page.click('#sequence-dialog .cancel');
  await openInPage(page, 'entries.txt', cases.axeEntries);
  await page.click('.tile[data-input="1"]');
  found.entries = await axeViolations();
  await page.click('#sequence-dialog .cancel');
  await listen(page);
  await pageUpload({ writeDelayMs: 20 }, async () => {
    found.upload = await axeViolations();
    assert.equal(await page.getAttribute('body', 'data-state'), 'uploading');
  });
  const heard = await page.evaluate(() => window.__heard);
  await openInPage(page, 'typo.txt', cases.diagnostics.texts[1]);
  found.warnings = await axeViolations();
  const { completion: [[text, steps]], hover: [,, [entry, over]] } = cases.assist;
  await inText(text, steps);
  await page.waitForSelector('.cm-tooltip-autocomplete');
  found.completion = await axeViolations();
  await inText(entry, [['press', 'Escape'], ...over]);
  await page.waitForSelector('.cm-tooltip-hover');
  found.hover = await axeViolations();
  assert.deepEqual(found, { fresh: [], dialog: [], entries: [], upload: [], warnings: [], completion: [], hover: [] });
  assert.deepEqual(heard, ['Connecting to the PYLO', ...[1, 12, 24, 36, 48, 60, 72].map((n) => `Sending input ${n} of 72`),
                           'Configuration complete']);
});

test('any width: no sideways scroll, actions and dialog inside the window, targets of 24 px, tiles open with a tap', async () => {
  for (const [width, height] of cases.widths) {
    const context = await browser.newContext({ viewport: { width, height }, hasTouch: true });
    const narrow = await context.newPage();
    await load(narrow, page.url());
    // Controls outside the window, or smaller than 24 x 24 px, among those on show.
    const misfits = (scope) => narrow.$$eval(scope, (els) => els.filter((e) => e.checkVisibility()).map((e) => [e, e.getBoundingClientRect()])
      .filter(([, r]) => r.left < 0 || r.right > innerWidth + 0.5 || r.width < 24 || r.height < 24)
      .map(([e, r]) => `${e.id || e.className || e.textContent} ${r.left.toFixed(0)}+${r.width.toFixed(0)}x${r.height.toFixed(0)}`));
    const where = `${width} x ${height}`;
    assert.deepEqual(await misfits('header button, #options select, .tile'), [], `${where}: page controls`);
    await narrow.tap('.tile[data-input="4"]');
    assert.equal(await narrow.isVisible('#sequence-dialog'), true, `${where}: a tap opens the tile`);
    await narrow.click('#sequence-dialog summary');  // the palette, open
    const box = await narrow.$eval('#sequence-dialog', (d) => { const r = d.getBoundingClientRect(); return [r.left >= 0, r.top >= 0, r.right <= innerWidth, r.bottom <= innerHeight]; });
    assert.deepEqual(box, [true, true, true, true], `${where}: the dialog inside the window`);
    assert.deepEqual(await misfits('#sequence-dialog .dialog-foot button, #sequence-dialog .tools button, #sequence-dialog .pick'), [], `${where}: dialog controls`);
    assert.equal(await narrow.evaluate(() => document.documentElement.scrollWidth), width, `${where}: no sideways scroll`);
    await context.close();
  }
});

test('a visual edit and the options rewrite only their own lines', async () => {
  const { steps, replace, tile } = cases.visualEdit;
  await openInPage(page, 'keys.txt', keysTxt);
  await act(page, steps);
  const saved = (await download('#save')).toString('latin1');
  assert.equal(saved, replace.reduce((text, [from, to]) => text.replace(from, to), keysTxt.toString('latin1')));
  assert.deepEqual(await download('#save-image'), await pylocheckImage(file('edited.txt', Buffer.from(saved, 'latin1'))));
  assert.equal(await page.getAttribute(tile[0], 'title'), tile[1]);
});

test('the checker\'s messages appear at their line and column', async () => {
  const { texts, underlined, fix, fixed } = cases.diagnostics;
  for (const text of texts.map((t) => Buffer.from(t, 'latin1'))) {
    await openInPage(page, 'typo.txt', text);
    const want = pylocheckMessages(text);
    assert.deepEqual(await page.$$eval('#messages li', (lis) => lis.map((li) => li.textContent)), want);
    const ranges = await page.$$eval('.cm-lintRange-warning', (els) => els.map((e) => e.textContent));
    for (const word of underlined) assert.ok(ranges.includes(word), JSON.stringify([text.toString('latin1'), ranges]));
    // One gutter mark per warned line (a lone CR splits a line in the editor, not in the file).
    const warned = new Set(want.filter((w) => /^\d+:\d+warning/.test(w)).map((w) => w.split(':')[0]));
    if (!text.includes('\r')) assert.equal(await page.locator('.cm-gutter-lint .cm-lint-marker-warning').count(), warned.size);
  }
  // Typing fixes it: the messages go (at once, or from the worker when checks are slow).
  await act(page, fix);
  await page.waitForFunction((w) => document.querySelector('#status-text').textContent === w, fixed);
  // Thousands of messages send the checks to the worker: its result is the text's as typed,
  // listed as pylocheck lists it, and the count is of every finding, listed or not.
  await openInPage(page, 'slow.txt', slowText);
  await act(page, [['click', '.cm-content'], ['press', 'Control+Home'], ['type', 'in01:[a]\n']]);
  const want = pylocheckMessages(await download('#save'));
  const count = String(want.length - 1 + Number(want.at(-1).split(' ')[0]));
  await page.waitForFunction((n) => document.querySelector('#message-count').textContent === n, count);
  assert.deepEqual(await page.$$eval('#messages li', (lis) => lis.map((li) => li.textContent)), want);
  assert.match(want[0], /^2:7warning/);
  // The worker's findings carry their repairs: the lint panel lists the findings in the text's
  // order (the statement on line 2 replaces line 1's), and the third one's repair is taken.
  await act(page, [['click', '.cm-content'], ['press', 'Control+Shift+M'], ['press', 'ArrowDown'], ['press', 'ArrowDown'], ['press', 'c'], ['press', 'Escape']]);
  assert.match((await download('#save')).toString('latin1'), /^in01:\[a\]\nin01:\[shift\]\[shfit\]/);
});

test('the editor completes, explains and repairs with the checker\'s answers, at the bytes they are about', async () => {
  const { completion, hover, fix } = cases.assist;
  for (const [text, steps, first, saved] of completion) {
    await inText(text, steps);
    assert.equal(await page.locator('.cm-tooltip-autocomplete li').first().textContent(), first, JSON.stringify(text));
    await page.waitForTimeout(100);  // a list takes keys 75 ms after it shows, so that fast typing picks nothing unseen
    await page.keyboard.press('Enter');
    assert.equal((await download('#save')).toString('latin1'), saved);
  }
  for (const [text, steps, words] of hover) {
    await inText(text, steps);
    assert.equal(await page.locator('.hover-text').innerText(), words, JSON.stringify(text));
    await page.mouse.move(0, 0);
  }
  for (const [text, steps, fixed] of fix) {
    await inText(text, steps);
    const saved = await download('#save');
    assert.equal(saved.toString('latin1'), fixed);
    assert.deepEqual(await download('#save-image'), await pylocheckImage(file('fixed.txt', saved)), JSON.stringify(fixed));
  }
});

test('a checker worker that fails is shown and started again', async () => {
  const context = await browser.newContext({ serviceWorkers: 'block' });  // so that the route sees the worker's script
  let loads = 0;
  await context.route('**/check_worker.js', (route) => (loads++ > 0 ? route.continue()
    : route.fulfill({ contentType: 'text/javascript', body: "self.onmessage = () => { throw new Error('lost'); };" })));
  const p = await context.newPage();
  await load(p, page.url());
  await listen(p);
  await openInPage(p, 'slow.txt', slowText);
  await p.waitForFunction(() => /^\d+ warnings/.test(document.querySelector('#status-text').textContent));
  const heard = (await p.evaluate(() => window.__heard)).filter((h) => h.startsWith('The checker'));
  assert.equal(loads, 2, 'a second worker');
  assert.equal(heard.length, 1);
  assert.match(heard[0], /^The checker stopped \(.*lost\)\. It was started again\.$/);
  await context.close();
});

test('every key the page maps and every palette name is known; entries written back compile the same', async () => {
  await act(page, [['click', '.tile[data-input="1"]'], ['click', '.cancel']]);  // draws the palette
  const texts = [keysTxt, ...cases.roundTrip.map(randomConfig)].map((b) => b.toString('latin1'));
  const [unknown, mapped, palette, mismatched] = await page.evaluate(async (texts) => {
    const t = await window.__modules;
    const mapped = t.knownCodes().map(t.entryForCode);
    const palette = [...document.querySelectorAll('.palette-keys .cap')].map((c) => c.title.slice(1, -1));
    const known = (e) => e !== null && t.keyNumber(e.replace(/^\(n\)/, '').replace(/^space$/, ' '), e.startsWith('(n)')) !== 0;
    const check = (text) => t.check(Uint8Array.from(text, (c) => c.charCodeAt(0)));
    const sent = (image, i, k, base = i * 96 + (k ? 64 : 0)) => {  // a sequence's bytes up to its first empty slot
      for (let end = base; ; end += 2) if (end === base + (k ? 32 : 64) || image[end + 1] === 0) return image.slice(base, end).join();
    };
    const mismatched = texts.flatMap((text) => {
      const first = check(text);
      const lines = first.sequences.map((pair, i) => pair.map((seq, k) => t.statementText(i + 1, k === 0, seq)));
      const again = check(lines.flat().join('\n'));
      return lines.flatMap((pair, i) => pair.filter((_, k) => sent(first.image, i, k) !== sent(again.image, i, k)));
    });
    return [[...mapped, ...palette].filter((e) => !known(e)), mapped.length, palette.length, mismatched];
  }, texts);
  assert.deepEqual(unknown, []);
  assert.ok(mapped > 100 && palette > 100, `${mapped} keys mapped, ${palette} palette keys`);
  assert.deepEqual(mismatched, [], 'entries written back');
});

test('without Web Serial the page says so and still edits; huge and binary files are refused', async () => {
  const bare = await (await browser.newContext()).newPage();
  await bare.addInitScript(() => { delete Navigator.prototype.serial; });
  await load(bare, page.url());
  assert.equal(await bare.isVisible('#no-serial'), true);
  assert.equal(await bare.isDisabled('#upload'), true);
  await act(bare, cases.bareEdit.steps);
  const [saved] = await Promise.all([bare.waitForEvent('download'), bare.click('#save')]);
  assert.ok(readFileSync(await saved.path(), 'latin1').includes(cases.bareEdit.saved));
  for (const [name, bytes, message] of [['big.txt', Buffer.alloc(10 * 1024 * 1024, 'in01:[a]\n'), /too large \(10\.0 MB\)/],
                                        ['image.bin', await pylocheckImage(join(root, 'examples/keys.txt')), /binary file/]]) {
    await openInPage(bare, name, bytes, 'application/octet-stream');
    await bare.waitForFunction(() => document.querySelector('#status').classList.contains('error'));
    assert.match(await bare.textContent('#status-text'), message);
    assert.equal(await bare.textContent('#file-name'), 'keys.txt', 'the open configuration stays');
  }
  await bare.context().close();
});
