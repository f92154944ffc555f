// The page in headless Chromium: exact images, the upload's bytes and words against pyloload
// and pylo-sim, the visual editor, the checker's messages and the key names.
// node --test web_test.mjs, with PYLO_SITE (the built page), PYLO_BIN (the build directory)
// and optionally PYLO_SHOT (where to save the screenshot) in the environment.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';
import { randomConfig } from './random_config.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '../..');
const require = createRequire(join(root, 'web/package.json'));
const { chromium } = require('playwright-core');
const { serve } = await import(join(root, 'web/serve.mjs'));
const { knownCodes, entryForCode } = await import(join(root, 'web/src/keys.js'));

const SITE = process.env.PYLO_SITE;
const BIN = process.env.PYLO_BIN;
const tools = { pyloload: join(BIN, 'src/pyloload'), sim: join(BIN, 'tools/sim/pylo-sim'), check: join(BIN, 'tools/check/pylocheck') };
const work = mkdtempSync(join(tmpdir(), 'pylo-web-'));
const keysTxt = readFileSync(join(root, 'examples/keys.txt'));
let server, browser, page;

before(async () => {
  server = await serve(SITE);
  browser = await chromium.launch({ executablePath: process.env.CHROMIUM || '/usr/bin/chromium', args: ['--no-sandbox'] });
  page = await browser.newPage({ viewport: { width: 1400, height: 900 }, acceptDownloads: true });
  page.on('pageerror', (e) => { throw e; });
  await page.addInitScript({ path: join(here, 'fake_serial.js') });
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.waitForSelector('body[data-ready]', { state: 'attached' });
});

after(async () => {
  await browser?.close();
  server?.close();
  rmSync(work, { recursive: true, force: true });
});

function run(cmd, args, input = '') {
  return new Promise((resolve) => {
    const p = spawn(cmd, args);
    let out = '';
    p.stdout.on('data', (d) => { out += d.toString('latin1'); });
    p.stderr.resume();
    p.on('close', (code) => resolve({ out, code }));
    p.stdin.on('error', () => {});  // a tool that reads nothing may be gone already
    p.stdin.end(input);
  });
}

function file(name, bytes) {
  const path = join(work, name);
  writeFileSync(path, bytes);
  return path;
}

async function pylocheckImage(path) {
  const out = join(work, 'expected.bin');
  assert.equal((await run(tools.check, ['--image', out, path])).code, 0);
  return readFileSync(out);
}

// pyloload's upload of a file to pylo-sim with the simulator's options: the wire bytes and
// what pyloload printed.
async function pyloloadUpload(path, simOptions) {
  const log = join(work, 'wire.bin');
  writeFileSync(log, '');
  const sim = spawn(tools.sim, ['--show', '--wire-log', log, ...simOptions]);
  const lines = [];
  let buffered = '';
  let waiting = null;
  sim.stdout.on('data', (d) => {
    buffered += d;
    const parts = buffered.split('\n');
    buffered = parts.pop();
    lines.push(...parts);
    if (waiting) waiting();
  });
  const lineMatching = async (re) => {
    for (;;) {
      const line = lines.find((l) => re.test(l));
      if (line) return line;
      await new Promise((resolve) => { waiting = resolve; });
    }
  };
  const device = await lineMatching(/^\//);
  const { out, code } = await run(tools.pyloload, [path, device], '\n');
  await lineMatching(/^end of session/);
  sim.kill();
  return { wire: [...readFileSync(log)], out, code };
}

async function openInPage(name, bytes) {
  await page.setInputFiles('#file', { name, mimeType: 'text/plain', buffer: Buffer.from(bytes) });
}

async function download(button) {
  const [dl] = await Promise.all([page.waitForEvent('download'), page.click(button)]);
  return readFileSync(await dl.path());
}

async function pageUpload(config) {
  await page.evaluate((c) => {
    Object.assign(window.__device.config, { greetingReply: 0x21, greetingAnswered: true, silentFrom: 0, delayMs: 0,
                                            failWriteAt: 0, openFails: false, unplugAfter: 0 }, c);
    window.__device.wire = [];
    delete document.body.dataset.outcome;
  }, config);
  await page.click('#upload');
  await page.waitForSelector('body[data-outcome]', { state: 'attached' });
  return { wire: await page.evaluate(() => window.__device.wire), words: await page.textContent('#status-text') };
}

test('the image of every file equals pylocheck --image', async () => {
  const cases = [
    ['keys.txt', keysTxt],
    ['bom-crlf.txt', Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), Buffer.from('PREL:Y\r\nin01:[a][b]\r\nin02|[f5]\r\n')])],
    ['lone-cr.txt', Buffer.from('in01:[a]\rin02:[b]\nin03:[c]\r\r\nin04:[d]')],
    ['nul.txt', Buffer.from('in01:[a]\0[b]\nin02:[c]\n\0in03:[d]\n')],
    ['ctrl-z.txt', Buffer.from('in01:[a]\nin02:[b]\x1ain03:[c]\n')],
    ['high-bytes.txt', Buffer.from('in01:<S>[\xe9][\xff]\nin02:[\xe9]\nin03:[a]\xa0[b]\n', 'latin1')],
    ['long-line.txt', Buffer.from('in01:' + '[a]'.repeat(120) + '\nin02:[b]\n')],
    ...[1, 2, 3].map((seed) => [`random-${seed}.txt`, randomConfig(seed)]),
  ];
  for (const [name, bytes] of cases) {
    await openInPage(name, bytes);
    assert.deepEqual(await download('#save-image'), await pylocheckImage(file(name, bytes)), name);
    assert.deepEqual(await download('#save'), bytes, `${name} saved unchanged`);
  }
});

test('the page sends what pyloload sends, and says what it says', async () => {
  const ok = ['keys.txt', keysTxt, {}, []];
  const cases = [
    ok,
    ...[11, 12, 13, 14, 15, 16].map((seed) => [`random-${seed}.txt`, randomConfig(seed), {}, []]),
    ['wrong greeting reply', keysTxt, { greetingReply: 0x3f }, ['--greeting-reply', '63']],
    ['no greeting reply', keysTxt, { greetingAnswered: false }, ['--no-greeting-reply']],
    ['silent from the 1st write', keysTxt, { silentFrom: 1 }, ['--silent-from', '1']],
    ['silent from the 57th write', keysTxt, { silentFrom: 57 }, ['--silent-from', '57']],
    ['late replies', keysTxt, { delayMs: 80 }, ['--delay', '80']],
    ['another acknowledgement', keysTxt, { ack: 0x00 }, ['--ack', '0']],
    ['unplugged after the 30th write', keysTxt, { unplugAfter: 30 }, ['--unplug-after', '30']],
  ];
  for (const [name, bytes, fault, simOptions] of cases) {
    await openInPage(name.replace(/ /g, '-') + '.txt', bytes);
    const got = await pageUpload(fault);
    // pyloload waits 36 ms for each reply: on a loaded machine a run can miss one and stop
    // early. Such a run is repeated (up to three runs); the page's side has no such timing.
    let want;
    for (let attempt = 0; attempt < 3; attempt++) {
      want = await pyloloadUpload(file('upload.txt', bytes), simOptions);
      if (want.wire.length === got.wire.length) break;
    }
    assert.deepEqual(got.wire, want.wire, `${name}: wire bytes`);
    assert.ok(want.out.includes(got.words), `${name}: the page says "${got.words}", pyloload said ${JSON.stringify(want.out)}`);
  }
  assert.deepEqual(await page.evaluate(() => window.__device.openOptions),
                   { baudRate: 9600, dataBits: 8, stopBits: 1, parity: 'none', flowControl: 'none' });
});

test('outcomes only the page can meet: cancel, a failed write, a port in use', async () => {
  await openInPage('keys.txt', keysTxt);
  const full = (await pageUpload({})).wire;
  // Cancel while the device answers slowly: the upload stops after a whole command and sends
  // the closing byte, as pyloload does on Ctrl-C.
  await page.evaluate(() => {
    Object.assign(window.__device.config, { delayMs: 4 });
    window.__device.wire = [];
    delete document.body.dataset.outcome;
  });
  await page.click('#upload');
  await page.waitForFunction(() => /Sending input ([3-9]|\d\d)/.test(document.querySelector('#status-text').textContent));
  assert.match(await page.textContent('#status-text'), /Sending input \d+ of 72 · about \d+ s left/);
  await page.click('#cancel');
  await page.waitForSelector('body[data-outcome]', { state: 'attached' });
  const wire = await page.evaluate(() => window.__device.wire);
  assert.equal(await page.textContent('#status-text'), 'Upload interrupted');
  assert.equal(wire.at(-1), 0xed);
  assert.ok(wire.length < full.length && (wire.length - 3) % 4 === 0, 'whole commands, then the closing byte');
  assert.deepEqual(wire.slice(0, -1), full.slice(0, wire.length - 1));

  const rows = [
    [{ failWriteAt: 1 }, 'PYLO not found'],
    [{ failWriteAt: 40 }, 'Error while communicating with PYLO'],
    [{ openFails: true }, 'Error opening the port: make sure that it is not in use by another application'],
  ];
  for (const [fault, words] of rows) assert.equal((await pageUpload(fault)).words, words, JSON.stringify(fault));
});

test('a visual edit and the options rewrite only their own lines', async () => {
  await openInPage('keys.txt', keysTxt);
  await page.click('.tile[data-input="29"]');
  await page.keyboard.press('Control');
  await page.keyboard.press('Shift+A');
  await page.keyboard.press('F5');
  await page.keyboard.press('Numpad7');
  await page.keyboard.press('ShiftRight');
  // The palette, a delay, reordering, markers and deleting.
  await page.click('.palette summary');
  await page.click('.palette-keys .cap[title="[esc]"]');
  await page.click('.add-delay');
  await page.click('.move-left');
  const entry = (n) => `.seq-edit[data-seq="long"] .entry:nth-child(${n})`;
  await page.click(entry(6));
  await page.click('.mark-pad');
  await page.click('.mark-plus');
  await page.click(entry(1));
  await page.click('.remove');
  await page.click('.apply');
  await page.click('#options input[name="PREL"]');
  await page.click('#options input[name="REVY"]');
  await page.selectOption('#options select', '3');
  const saved = (await download('#save')).toString('latin1');
  const want = keysTxt.toString('latin1')
    .replace('PREL:Y\n', '').replace('MSET:2', 'MSET:3').replace('ROT3:Y\n', 'ROT3:Y\nREVY:Y\n')
    .replace(/(in28:.*\n)/, '$1in29:[(+)shift][a][(-)shift][f5][(+)7][rshift][(d)10][esc]\n');
  assert.equal(saved, want);
  assert.deepEqual(await download('#save-image'), await pylocheckImage(file('edited.txt', Buffer.from(saved, 'latin1'))));
  assert.equal(await page.getAttribute('.tile[data-input="29"] .seq span:nth-of-type(2)', 'title'), '[(+)lshift]');
  assert.equal(await page.isChecked('#options input[name="REVY"]'), true);
});

test('the checker\'s messages appear at their line and column', async () => {
  // The last text is the one the typing below fixes.
  const texts = ['PREL:Y\r\nin01:[a]\rin04:[b]\r\nin02:[shfit][b]\rin03:[a] [b\r\n',
                 'PREL:Y\nin01:[a]\nin02:[shfit][b]\nin03:[a] [b\n'];
  for (const text of texts) {
    await openInPage('typo.txt', Buffer.from(text));
    const { out } = await run(tools.check, [file('typo.txt', text)]);
    const want = [...out.matchAll(/^[^:\n]+:(\d+):(\d+): (warning|note): (.*)$/gm)].map((m) => `${m[1]}:${m[2]}${m[3]}${m[4]}`);
    assert.ok(want.length >= 2);
    assert.deepEqual(await page.$$eval('#messages li', (lis) => lis.map((li) => li.textContent)), want);
    const ranges = await page.$$eval('.cm-lintRange-warning', (els) => els.map((e) => e.textContent));
    for (const word of ['shfit', '[b']) assert.ok(ranges.includes(word), JSON.stringify([text, ranges]));
    // One gutter mark per warned line (a lone CR splits a line in the editor, not in the file).
    if (!text.includes('\r')) {
      const warned = new Set(want.filter((w) => /^\d+:\d+warning/.test(w)).map((w) => w.split(':')[0]));
      assert.equal(await page.locator('.cm-gutter-lint .cm-lint-marker-warning').count(), warned.size);
    }
  }
  // Typing fixes it: the messages go (at once, or from the worker when checks are slow).
  await page.click('#messages li');
  for (let i = 0; i < 5; i++) await page.keyboard.press('Delete');
  await page.keyboard.type('shift');
  await page.waitForFunction(() => document.querySelector('#status-text').textContent === '1 warning');
  // Thousands of messages make checks slow enough to go to the worker: its result is the
  // text's as typed.
  const slow = Array.from({ length: 72 }, (_, i) => `in${String(i + 1).padStart(2, '0')}:` + '[shfit]'.repeat(32)).join('\n');
  await openInPage('slow.txt', Buffer.from(slow));
  await page.click('.cm-content');
  await page.keyboard.press('Control+Home');
  await page.keyboard.type('in01:[a]\n');
  const typed = await download('#save');
  const { out: slowOut } = await run(tools.check, [file('slow.txt', typed)]);
  const count = String(slowOut.match(/^[^:\n]+:\d+:\d+: (warning|note): /gm).length);
  await page.waitForFunction((n) => document.querySelector('#message-count').textContent === n, count);
  assert.match(await page.textContent('#messages li'), /^2:7warning/);
  if (process.env.PYLO_SHOT) {
    const shot = await browser.newPage({ viewport: { width: 1400, height: 900 } });
    await shot.goto(page.url());
    await shot.waitForSelector('body[data-ready]', { state: 'attached' });
    await shot.setInputFiles('#file', { name: 'keys.txt', mimeType: 'text/plain',
                                        buffer: Buffer.from(keysTxt.toString('latin1').replace('in10:[f]', 'in10:[(+)ctrl][shfit][c]'), 'latin1') });
    await shot.click('#messages li');
    await shot.screenshot({ path: process.env.PYLO_SHOT });
    await shot.close();
  }
});

test('every key the page maps and every palette name is one the compiler knows', async () => {
  const entries = knownCodes().map(entryForCode);
  assert.ok(entries.length > 100 && entries.every((e) => e !== null));
  await page.click('.tile[data-input="1"]');  // draws the palette
  await page.click('.cancel');
  const [unknown, paletteSize] = await page.evaluate(async (names) => {
    const m = await (await import('./pylo.js')).default();
    const number = (name, keypad) => {
      const p = m._pylo_input(name.length + 1);
      m.HEAPU8.set([...name].map((c) => c.charCodeAt(0)).concat(0), p);
      return m._pylo_key_number(keypad);
    };
    const palette = [...document.querySelectorAll('.palette-keys .cap')].map((c) => c.title.slice(1, -1));
    return [[...names, ...palette].filter((e) => {
      const name = e.replace(/^\(n\)/, '');
      return number(name === 'space' ? ' ' : name, e.startsWith('(n)') ? 1 : 0) === 0;
    }), palette.length];
  }, entries);
  assert.deepEqual(unknown, []);
  assert.ok(paletteSize > 100, `${paletteSize} palette keys`);
});

test('entries written back from the image compile to the same sequences', async () => {
  const mismatched = await page.evaluate(async (configs) => {
    const m = await (await import('./pylo.js')).default();
    const compile = (text) => {
      const p = m._pylo_input(text.length);
      m.HEAPU8.set([...text].map((c) => c.charCodeAt(0)), p);
      m._pylo_check(text.length);
      return m.HEAPU8.slice(m._pylo_image(), m._pylo_image() + 8196);
    };
    const sent = (image, input, isLong) => {  // the bytes of a sequence up to its first empty slot
      const base = (input - 1) * 96 + (isLong ? 0 : 64);
      let end = base;
      while (end < base + (isLong ? 64 : 32) && image[end + 1] !== 0) end += 2;
      return Array.from(image.slice(base, end)).join(',');
    };
    const bad = [];
    for (const text of configs) {
      const image = compile(text);
      const lines = [];
      for (let input = 1; input <= 72; input++) {
        for (const isLong of [1, 0]) {
          const flags = m._pylo_sequence_flags(input, isLong);
          let line = 'in' + String(input).padStart(2, '0') + (isLong ? ':' : '|') + (flags & 1 ? '<R>' : '') + (flags & 2 ? '<S>' : '');
          for (let slot = 0; m._pylo_entry(input, isLong, slot) > 0; slot++) {
            let t = '';
            for (let p = m._pylo_entry_text(); m.HEAPU8[p]; p++) t += String.fromCharCode(m.HEAPU8[p]);
            line += '[' + t + ']';
          }
          lines.push(line);
        }
      }
      const again = compile(lines.join('\n'));
      for (let input = 1; input <= 72; input++) {
        for (const isLong of [true, false]) {
          if (sent(image, input, isLong) !== sent(again, input, isLong)) bad.push(lines[(input - 1) * 2 + (isLong ? 0 : 1)]);
        }
      }
    }
    return bad;
  }, [keysTxt, ...[21, 22, 23, 24, 25, 26, 27, 28].map(randomConfig)].map((b) => b.toString('latin1')));
  assert.deepEqual(mismatched, []);
});

test('without Web Serial the page says so and still edits; huge and binary files are refused', async () => {
  const context = await browser.newContext();
  const bare = await context.newPage();
  await bare.addInitScript(() => { delete Navigator.prototype.serial; });
  await bare.goto(page.url());
  await bare.waitForSelector('body[data-ready]', { state: 'attached' });
  assert.equal(await bare.isVisible('#no-serial'), true);
  assert.equal(await bare.isDisabled('#upload'), true);
  await bare.click('.tile[data-input="29"]');
  await bare.keyboard.press('KeyQ');
  await bare.click('.apply');
  const [saved] = await Promise.all([bare.waitForEvent('download'), bare.click('#save')]);
  assert.match(readFileSync(await saved.path(), 'latin1'), /\nin29:\[q\]\n/);
  const cases = [
    ['big.txt', Buffer.alloc(10 * 1024 * 1024, 'in01:[a]\n'), /too large \(10\.0 MB\)/],
    ['image.bin', await pylocheckImage(join(root, 'examples/keys.txt')), /binary file/],
  ];
  for (const [name, bytes, message] of cases) {
    await bare.setInputFiles('#file', { name, mimeType: 'application/octet-stream', buffer: bytes });
    await bare.waitForFunction(() => document.querySelector('#status').classList.contains('error'));
    assert.match(await bare.textContent('#status-text'), message);
    assert.equal(await bare.textContent('#file-name'), 'keys.txt', 'the open configuration stays');
  }
  await context.close();
});
