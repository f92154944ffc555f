// SPDX-License-Identifier: MIT
// What the browser tests share: the page's own packages, the case tables, Chromium, and pages
// made ready with the fake device and the blobs they save caught.
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { createRequire } from 'node:module';

export const here = import.meta.dirname;
export const root = join(here, '../..');
export const require = createRequire(join(root, 'web/package.json'));
export const { chromium } = require('playwright-core');
export const { serve } = await import(join(root, 'web/serve.mjs'));
export const cases = JSON.parse(readFileSync(join(here, 'cases.json'), 'utf8'));
export const chromiumOptions = { executablePath: process.env.CHROMIUM || '/usr/bin/chromium', args: ['--no-sandbox'] };

export const ready = (p) => p.waitForSelector('body[data-ready]', { state: 'attached' });
export const load = async (p, url) => { await p.goto(url); await ready(p); };

// The page at url with the fake device; what it saves is kept in window.__saved.
export async function withDevice(p, url) {
  p.on('pageerror', (e) => { throw e; });
  await p.addInitScript({ path: join(here, 'fake_serial.js') });
  await p.addInitScript(() => { const make = URL.createObjectURL; URL.createObjectURL = (blob) => make(window.__saved = blob); });
  await load(p, url);
  return p;
}

// The bytes of the blob the page last handed the browser to save.
export const lastSaved = async (p) => Buffer.from(await p.evaluate(async () => [...new Uint8Array(await window.__saved.arrayBuffer())]));
